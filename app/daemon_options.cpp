#include "daemon_options.h"

#include <string_view>

#include "source_filter.h"

namespace {

constexpr std::string_view kUsage = "use --allow ADDR[/BITS] or --allow-queries ADDR[/BITS]";

/// The list that `option` fills, or null when it names none.
std::vector<SourceRange>* ListOf(std::string_view option, SourceLists* lists) {
    if (option == "--allow") return &lists->writers;
    if (option == "--allow-queries") return &lists->readers;
    return nullptr;
}

}  // namespace

bool ParseDaemonOptions(int argc, const char* const* argv, DaemonOptions* options, std::string* err) {
    SourceLists* lists = &options->sources;
    for (int i = 1; i < argc; ++i) {
        const std::string_view argument = argv[i];
        if (argument == "--check") {
            options->checkOnly = true;
            continue;
        }
        const size_t equals = argument.find('=');
        const std::string_view option = argument.substr(0, equals);
        std::vector<SourceRange>* list = ListOf(option, lists);
        if (list == nullptr) {
            *err = "unknown argument '" + std::string(argument) + "' (" + std::string(kUsage) + ")";
            return false;
        }
        if (equals == std::string_view::npos && i + 1 == argc) {
            *err = std::string(option) + " needs a value, ADDR or ADDR/BITS";
            return false;
        }
        const std::string value(equals == std::string_view::npos ? argv[++i] : argument.substr(equals + 1));
        SourceRange range{};
        std::string why;
        if (!ParseSourceRange(value, &range, &why)) {
            *err = std::string(option) + " '" + value + "': " + why;
            return false;
        }
        list->push_back(range);
    }
    if (lists->writers.size() + lists->readers.size() > kMostSources) {
        *err = "more than " + std::to_string(kMostSources) + " sources in all";
        return false;
    }
    return true;
}
