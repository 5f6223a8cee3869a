#include "store_tool.h"

#include <iomanip>
#include <sstream>

#include "catalogue.h"
#include "file_param_store.h"
#include "param_service.h"
#include "value_text.h"

namespace {

constexpr int kExitOk = 0;
constexpr int kExitUnset = 1;
constexpr int kExitError = 2;

// The store's result for an id it does not hold. Any other failure means the
// store itself could not be read, which must not pass for "unset".
constexpr int kParamAbsent = FileParamStore::kAbsent;

struct Command {
    std::string name;
    std::vector<std::string> operands;
    bool hex = false;
    bool force = false;
};

void Complain(std::ostream& err, const std::string& message) { err << "kip-param-store: " << message << "\n"; }

int Fail(std::ostream& err, const std::string& message) {
    Complain(err, message);
    return kExitError;
}

std::string Describe(const CatalogueEntry& entry) {
    return "parameter " + std::to_string(entry.id) + " (" + entry.field + ")";
}

void PrintHelp(std::ostream& out) {
    out << "usage: kip-param-store COMMAND\n"
           "  show                  every catalogued parameter: id, width, field, value or \"unset\"\n"
           "  get [--hex] ID        the value of ID, decoded, or with --hex its raw bytes\n"
           "  set [--hex] ID VALUE  store VALUE, decoded text, or with --hex exactly the\n"
           "                        parameter's width of raw bytes\n"
           "  init [--force]        write every factory default below in one all-or-nothing\n"
           "                        write; refused when the store already holds any\n"
           "                        catalogued parameter, unless --force\n"
           "  help, --help, -h      this text\n"
           "values: U8/U16/U32 unsigned decimal; IPv4 dotted quad (a.b.c.d, 0-255 each);\n"
           "  ATCS address exactly 10 hex digits; char one character, or \\xNN for any byte\n"
           "hex: two digits a byte, no separators, bytes as stored (U16/U32 in this host's\n"
           "  byte order; ATCS addresses 6 bytes, the last one padding), e.g. 0000007b\n"
           "exit status: 0 done; 1 the parameter is unset; 2 bad usage, unknown id, value\n"
           "  that does not fit, unreadable store or refused write (store left untouched)\n"
           "factory defaults:\n";
    for (const CatalogueEntry* entry : CatalogueById()) {
        out << "  " << std::setw(3) << entry->id << "  " << std::left << std::setw(36) << entry->field << std::right
            << entry->factoryDefault << "\n";
    }
}

bool ParseCommandLine(const std::vector<std::string>& args, Command& command, std::string& error) {
    if (args.empty()) {
        error = "no command given (see --help)";
        return false;
    }
    command.name = args[0];
    size_t wanted = 0;
    if (command.name == "get") {
        wanted = 1;
    } else if (command.name == "set") {
        wanted = 2;
    } else if (command.name != "show" && command.name != "init" && command.name != "help" &&
               command.name != "--help" && command.name != "-h") {
        error = "unknown command '" + command.name + "' (see --help)";
        return false;
    }
    for (size_t i = 1; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (arg == "--hex" && (command.name == "get" || command.name == "set")) {
            command.hex = true;
        } else if (arg == "--force" && command.name == "init") {
            command.force = true;
        } else if (arg.rfind("--", 0) == 0) {
            error = "unknown option '" + arg + "' for " + command.name + " (see --help)";
            return false;
        } else {
            command.operands.push_back(arg);
        }
    }
    if (command.operands.size() != wanted) {
        error = command.name + " takes " + std::to_string(wanted) + " argument(s), got " +
                std::to_string(command.operands.size()) + " (see --help)";
        return false;
    }
    return true;
}

const CatalogueEntry* LookUp(const std::string& text, std::string& error) {
    bool digits = !text.empty() && text.size() <= 9;
    for (char c : text) digits = digits && c >= '0' && c <= '9';
    if (!digits) {
        error = "'" + text + "' is not a parameter id";
        return nullptr;
    }
    const CatalogueEntry* entry = FindCatalogueEntry(static_cast<uint32_t>(std::stoul(text)));
    if (entry == nullptr) error = "parameter " + text + " is not a catalogued parameter";
    return entry;
}

// One descriptor a call, so one unset parameter does not fail the others.
int Read(const CatalogueEntry& entry, std::vector<uint8_t>& bytes) {
    bytes.assign(entry.Width(), 0);
    ParamDescriptor descriptor{entry.id, entry.Width(), bytes.data()};
    return get_parms(kHandle, &descriptor, 1);
}

std::string Unreadable(int result) {
    return "parameter store unreadable (result " + std::to_string(result) + ")";
}

int Show(std::ostream& out, std::ostream& err) {
    // Nothing is printed until every read is in, so a broken store gives one line.
    std::ostringstream lines;
    for (const CatalogueEntry* listed : CatalogueById()) {
        const CatalogueEntry& entry = *listed;
        std::vector<uint8_t> bytes;
        std::string value = "unset";
        int result = Read(entry, bytes);
        if (result == 0) {
            if (!FormatValue(entry, bytes, value)) value = "?";
        } else if (result != kParamAbsent) {
            return Fail(err, Unreadable(result));
        }
        lines << std::setw(3) << entry.id << "  " << entry.Width() << "  " << std::left << std::setw(36)
              << entry.field << std::right << value << "\n";
    }
    out << lines.str();
    return kExitOk;
}

int Get(const Command& command, std::ostream& out, std::ostream& err) {
    std::string error;
    const CatalogueEntry* entry = LookUp(command.operands[0], error);
    if (entry == nullptr) return Fail(err, error);
    std::vector<uint8_t> bytes;
    int result = Read(*entry, bytes);
    if (result == kParamAbsent) {
        Complain(err, Describe(*entry) + " is unset");
        return kExitUnset;
    }
    if (result != 0) return Fail(err, Unreadable(result));
    std::string text;
    if (command.hex) {
        text = FormatHex(bytes);
    } else if (!FormatValue(*entry, bytes, text)) {
        return Fail(err, Describe(*entry) + " cannot be decoded");
    }
    out << text << "\n";
    return kExitOk;
}

int Set(const Command& command, std::ostream& err) {
    std::string error;
    const CatalogueEntry* entry = LookUp(command.operands[0], error);
    if (entry == nullptr) return Fail(err, error);
    const std::string& text = command.operands[1];
    std::vector<uint8_t> bytes;
    if (command.hex) {
        if (!ParseHex(text, bytes)) return Fail(err, "'" + text + "' is not hex bytes (two hex digits each)");
        if (bytes.size() != entry->Width()) {
            return Fail(err, Describe(*entry) + " takes " + std::to_string(entry->Width()) + " bytes, got " +
                                 std::to_string(bytes.size()));
        }
    } else if (!ParseValue(*entry, text, bytes, error)) {
        return Fail(err, Describe(*entry) + ": " + error);
    }
    ParamDescriptor descriptor{entry->id, entry->Width(), bytes.data()};
    if (int result = set_parms(kHandle, &descriptor, 1); result != 0) {
        return Fail(err, "store refused " + Describe(*entry) + " (result " + std::to_string(result) + ")");
    }
    return kExitOk;
}

int Init(const Command& command, std::ostream& err) {
    std::vector<std::vector<uint8_t>> values;
    std::vector<ParamDescriptor> descriptors;
    values.reserve(kStoredSize);  // the descriptors point into it
    for (const CatalogueEntry* entry : CatalogueById()) {
        std::string error;
        values.emplace_back();
        if (!ParseValue(*entry, entry->factoryDefault, values.back(), error)) {
            return Fail(err, "bad factory default for " + Describe(*entry));
        }
        descriptors.push_back({entry->id, entry->Width(), values.back().data()});
    }
    if (!command.force) {
        for (const CatalogueEntry* entry : CatalogueById()) {
            std::vector<uint8_t> bytes;
            int result = Read(*entry, bytes);
            if (result == 0) {
                return Fail(err, "store already holds " + Describe(*entry) + "; use init --force to overwrite");
            }
            if (result != kParamAbsent) return Fail(err, Unreadable(result));
        }
    }
    if (int result = set_parms(kHandle, descriptors.data(), static_cast<int>(descriptors.size())); result != 0) {
        return Fail(err, "store refused the factory defaults (result " + std::to_string(result) + ")");
    }
    return kExitOk;
}

}  // namespace

int RunStoreTool(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    Command command;
    std::string error;
    if (!ParseCommandLine(args, command, error)) return Fail(err, error);
    if (command.name == "show") return Show(out, err);
    if (command.name == "get") return Get(command, out, err);
    if (command.name == "set") return Set(command, err);
    if (command.name == "init") return Init(command, err);
    PrintHelp(out);
    return kExitOk;
}
