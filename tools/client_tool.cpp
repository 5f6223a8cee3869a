#include "client_tool.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <map>
#include <set>
#include <iomanip>
#include <iterator>
#include <sstream>

#include "client_keys.h"
#include "document_check.h"
#include "document_values.h"
#include "query_message.h"
#include "xml_path_lookup.h"

namespace {

constexpr int kExitReply = 0;
constexpr int kExitTimeout = 1;
constexpr int kExitRefused = 2;

struct Invocation {
    DaemonAddress daemon;
    bool yes = false;
    bool raw = false;
    bool json = false;
    bool help = false;
    std::vector<std::string> words;  // the command and its operands
};

const char kHelp[] =
    "usage: kip-param-client [--host ADDR] [--port PORT] [--timeout SECONDS] COMMAND\n"
    "\n"
    "Talks to the configuration daemon of a unit over UDP (default 127.0.0.1:3180,\n"
    "time-out 5 seconds; the daemon answers one datagram a second).\n"
    "\n"
    "commands:\n"
    "  query DOR|LUN       print the DOR or LUN document exactly as the daemon sends it\n"
    "  query REBOOT --yes  restart the unit (without --yes, asks on a terminal)\n"
    "  apply FILE|-        send a config, LunConfig or both-roots document and print\n"
    "                      the report; it is checked first: well-formed, no query,\n"
    "                      only known elements, at most 1500 bytes\n"
    "  set [--raw] KEY VALUE [KEY VALUE ...]\n"
    "                      send the smallest document that sets these keys; values\n"
    "                      are checked against each key's width and encoding unless\n"
    "                      --raw sends them as typed\n"
    "  get KEY             print a key's value from a fresh DOR or LUN query\n"
    "  keys [--json]       list every key: path, store id, width, encoding, range;\n"
    "                      with --json one object a key, for programs\n"
    "\n"
    "Keys are named by path (config:Power, LunConfig:ItpLink:RemotePort) or by a\n"
    "last component that only one key has (Power, RemotePort).\n"
    "\n"
    "examples:\n"
    "  kip-param-client query DOR > dor.xml\n"
    "  kip-param-client apply dor.xml\n"
    "  kip-param-client set Power 7 RemotePort 4001\n"
    "  kip-param-client --host 10.0.0.5 get config:ItpRemoteIP\n"
    "  kip-param-client query REBOOT --yes\n"
    "\n"
    "exit status: 0 a reply came, 1 no reply in time, 2 bad usage or a refused\n"
    "document or value (nothing was sent)\n";

int Refuse(std::ostream& err, const std::string& reason) {
    err << "kip-param-client: " << reason << "\n";
    return kExitRefused;
}

bool ParseNumber(const std::string& text, double low, double high, double& value) {
    std::istringstream in(text);
    return (in >> value) && in.eof() && value >= low && value <= high;
}

/// Takes the value of --host, --port or --timeout; false, with the range
/// allowed in `error`, for one that does not fit.
bool TakeOptionValue(const std::string& option, const std::string& value, DaemonAddress& daemon, std::string& error) {
    double number = 0;
    if (option == "--host") {
        daemon.host = value;
    } else if (option == "--port" && ParseNumber(value, 1, 65535, number) && number == static_cast<uint16_t>(number)) {
        daemon.port = static_cast<uint16_t>(number);
    } else if (option == "--timeout" && ParseNumber(value, 0.001, 3600, number)) {
        daemon.timeoutSeconds = number;
    } else {
        error = option + (option == "--port" ? " takes a port number from 1 to 65535" : " takes seconds from 0.001 to 3600") +
                ", not '" + value + "'";
        return false;
    }
    return true;
}

bool IsNegativeNumber(const std::string& arg) {
    return arg.size() > 1 && arg[0] == '-' && arg.find_first_not_of("0123456789", 1) == std::string::npos;
}

bool ParseInvocation(const std::vector<std::string>& args, Invocation& call, std::string& error) {
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (arg == "--host" || arg == "--port" || arg == "--timeout") {
            if (i + 1 == args.size()) {
                error = arg + " needs a value (see --help)";
                return false;
            }
            if (!TakeOptionValue(arg, args[++i], call.daemon, error)) return false;
        } else if (arg == "--yes") {
            call.yes = true;
        } else if (arg == "--raw") {
            call.raw = true;
        } else if (arg == "--json") {
            call.json = true;
        } else if (arg == "--help" || arg == "-h" || arg == "help") {
            call.help = true;
        } else if (arg.size() > 1 && arg[0] == '-' && !IsNegativeNumber(arg)) {
            error = "bad option '" + arg + "' (see --help)";
            return false;
        } else {
            call.words.push_back(arg);  // a negative number is a value, refused later as out of range
        }
    }
    if (!call.help && call.words.empty()) {
        error = "no command given (see --help)";
        return false;
    }
    return true;
}

/// Sends and prints the reply exactly as it came.
int Send(const Invocation& call, const std::string& request, ClientConsole& console, const Transport& transport) {
    std::string reply, error;
    switch (transport(call.daemon, request, reply, error)) {
        case ExchangeResult::kReply:
            console.out << reply << std::flush;
            return kExitReply;
        case ExchangeResult::kTimeout:
            console.err << "kip-param-client: " << error << "\n";
            return kExitTimeout;
        case ExchangeResult::kError:
            break;
    }
    return Refuse(console.err, error);
}


int Query(const Invocation& call, ClientConsole& console, const Transport& transport) {
    const std::string& what = call.words.size() == 2 ? call.words[1] : "";
    if (what != "DOR" && what != "LUN" && what != "REBOOT") return Refuse(console.err, "query takes DOR, LUN or REBOOT");
    if (what == "REBOOT" && !call.yes) {
        if (!console.interactive) return Refuse(console.err, "query REBOOT restarts the unit; add --yes");
        console.err << "This restarts the unit at " << call.daemon.host << ". Type yes to go on: " << std::flush;
        std::string answer;
        if (!std::getline(console.in, answer) || answer != "yes") return Refuse(console.err, "not confirmed, nothing sent");
    }
    return Send(call, QueryMessage(what), console, transport);
}

std::string Escaped(const std::string& text) {
    std::string out;
    for (char c : text) {
        if (c == '&') out += "&amp;";
        else if (c == '<') out += "&lt;";
        else if (c == '>') out += "&gt;";
        else out += c;
    }
    return out;
}

/// The smallest document that carries these values, each root once and the
/// link's keys inside one ItpLink element.
std::string BuildDocument(const std::vector<std::pair<ClientKey, std::string>>& values) {
    std::string document;
    for (const std::string root : {"config", "LunConfig"}) {
        std::string direct, link;
        for (const auto& [key, text] : values) {
            const std::string& path = key.path;
            if (path.compare(0, root.size() + 1, root + ":") != 0) continue;
            const std::string name = path.substr(path.rfind(':') + 1);
            const std::string element = "<" + name + ">" + Escaped(text) + "</" + name + ">";
            (path.find(":ItpLink:") != std::string::npos ? link : direct) += element;
        }
        if (!link.empty()) direct += "<ItpLink>" + link + "</ItpLink>";
        if (!direct.empty()) document += "<" + root + ">" + direct + "</" + root + ">";
    }
    return document;
}

/// Reads a document to apply: at most one byte more than a datagram takes,
/// so that a long input is refused without being read whole.
bool ReadInput(const std::string& name, std::istream& in, std::string& text, std::string& error) {
    text.assign(kMostRequestBytes + 1, '\0');
    size_t length = 0;
    if (name == "-") {
        in.read(&text[0], static_cast<std::streamsize>(text.size()));
        length = static_cast<size_t>(in.gcount());
    } else {
        const int fd = open(name.c_str(), O_RDONLY | O_CLOEXEC);
        ssize_t n = 1;
        while (fd >= 0 && length < text.size() && (n = read(fd, &text[length], text.size() - length)) > 0) {
            length += static_cast<size_t>(n);
        }
        if (fd < 0 || n < 0) {
            error = "cannot read " + name + ": " + std::strerror(errno);
            if (fd >= 0) close(fd);
            return false;
        }
        close(fd);
    }
    text.resize(length);
    if (length > kMostRequestBytes) {
        error = (name == "-" ? std::string("standard input") : name) + " holds more than " +
                std::to_string(kMostRequestBytes) + " bytes, which one datagram takes";
        return false;
    }
    return true;
}

/// Documents the daemon wrote (saved from a query or a status file) go again
/// as the smallest document of their keys: the daemon writes values as they
/// are, so an InstallType of NUL, '<' or '&' makes them no XML, or XML that
/// says something else. A NUL goes as the empty InstallType that stores it.
/// Empty when `text` is not the daemon's; `ignored` gets what no key changes.
std::string RewriteDaemonDocument(const std::string& text, std::vector<std::string>& ignored) {
    const std::map<std::string, std::string> found = ReadDocumentValues(text);
    const std::set<std::string>& shown = DaemonDocumentPaths();
    std::vector<std::pair<ClientKey, std::string>> values;
    for (const ClientKey& key : ClientKeys()) {
        auto value = found.find(key.path);
        if (value != found.end()) values.emplace_back(key, value->second == std::string(1, '\0') ? "" : value->second);
    }
    for (const auto& element : found) {
        if (values.empty() || shown.count(element.first) == 0) return "";
    }
    for (const auto& element : found) {
        if (std::none_of(values.begin(), values.end(), [&](auto& v) { return v.first.path == element.first; })) {
            ignored.push_back(element.first);
        }
    }
    return BuildDocument(values);
}

/// An empty InstallType stores a NUL byte, which the daemon then writes into
/// its documents as it is.
void WarnOfEmptyInstallType(const std::string& document, std::ostream& err) {
    std::string installType;
    if (GetPathedElement(installType, "config:InstallType", document.c_str()) != 0 && installType.empty()) {
        err << "kip-param-client: warning: an empty or blank InstallType stores a NUL byte, which makes the daemon's "
               "documents not well-formed XML for other readers\n";
    }
}

int Apply(const Invocation& call, ClientConsole& console, const Transport& transport) {
    if (call.words.size() != 2) return Refuse(console.err, "apply takes one FILE, or - for standard input");
    std::string text, error;
    if (!ReadInput(call.words[1], console.in, text, error)) return Refuse(console.err, error);
    std::vector<std::string> ignored;
    const std::string rewritten = RewriteDaemonDocument(text, ignored);
    if (!rewritten.empty()) {
        text = rewritten;
    } else if (!CheckDocument(text, ignored, error)) {
        return Refuse(console.err, error);
    }
    if (!ignored.empty()) {
        console.err << "kip-param-client: note: the daemon ignores";
        for (const std::string& path : ignored) console.err << " " << path;
        console.err << "\n";
    }
    WarnOfEmptyInstallType(text, console.err);
    return Send(call, text, console, transport);
}

int Set(const Invocation& call, ClientConsole& console, const Transport& transport) {
    if (call.words.size() < 3 || call.words.size() % 2 == 0) return Refuse(console.err, "set takes KEY VALUE pairs");
    std::vector<std::pair<ClientKey, std::string>> values;
    for (size_t i = 1; i < call.words.size(); i += 2) {
        ClientKey key;
        std::string text = call.words[i + 1], error;
        if (!ResolveKey(call.words[i], key, error)) return Refuse(console.err, error);
        if (!call.raw && !KeyValueText(key, call.words[i + 1], text, error)) return Refuse(console.err, error);
        for (const auto& given : values) {
            if (given.first.path == key.path) return Refuse(console.err, key.path + " given twice");
        }
        values.emplace_back(key, text);
    }
    const std::string document = BuildDocument(values);
    std::vector<std::string> ignored;
    std::string error;
    if (!CheckDocument(document, ignored, error)) return Refuse(console.err, error);
    WarnOfEmptyInstallType(document, console.err);
    return Send(call, document, console, transport);
}

/// The document whose query shows `path`, or "" when none does.
std::string QueryShowing(const std::string& path) {
    if (DaemonDocumentPaths().count(path) == 0) return "";
    return path.compare(0, 7, "config:") == 0 ? "DOR" : "LUN";
}

int Get(const Invocation& call, ClientConsole& console, const Transport& transport) {
    if (call.words.size() != 2) return Refuse(console.err, "get takes one KEY");
    ClientKey key;
    std::string error;
    if (!ResolveKey(call.words[1], key, error)) return Refuse(console.err, error);
    const std::string query = QueryShowing(key.path);
    if (query.empty()) {
        std::string where = "see the KipParams lines of an apply's report or the LogConfig texts";
        if (key.entry.id != 0) where += "; on the unit: kip-param-store get " + std::to_string(key.entry.id);
        return Refuse(console.err, key.path + " is in no document the daemon sends; " + where);
    }
    std::string reply;
    switch (transport(call.daemon, QueryMessage(query), reply, error)) {
        case ExchangeResult::kReply: break;
        case ExchangeResult::kTimeout: console.err << "kip-param-client: " << error << "\n"; return kExitTimeout;
        case ExchangeResult::kError: return Refuse(console.err, error);
    }
    const std::map<std::string, std::string> values = ReadDocumentValues(reply);
    auto value = values.find(key.path);
    if (value == values.end()) return Refuse(console.err, "reply holds no " + key.path);
    console.out << ShownValue(key, value->second) << "\n";
    return kExitReply;
}

/// The key table for programs: one JSON object a key, in the order the daemon
/// applies them; a key with no parameter has a null id and width.
void PrintKeysJson(std::ostream& out) {
    const std::vector<ClientKey> keys = ClientKeys();
    out << "[\n";
    for (size_t i = 0; i < keys.size(); ++i) {
        const ClientKey& key = keys[i];
        const EncodingRow& encoding = RowOf(key.entry.encoding);
        const std::string query = QueryShowing(key.path);
        const bool stored = key.entry.id != 0;
        out << "{\"path\": \"" << key.path << "\", \"id\": " << (stored ? std::to_string(key.entry.id) : "null")
            << ", \"width\": " << (stored ? std::to_string(key.entry.Width()) : "null") << ", \"encoding\": \""
            << encoding.name << "\", \"max\": " << (encoding.most >= 0 ? std::to_string(encoding.most) : "null")
            << ", \"query\": " << (query.empty() ? "null" : "\"" + query + "\"") << "}"
            << (i + 1 < keys.size() ? ",\n" : "\n");
    }
    out << "]\n";
}

int Keys(const Invocation& call, ClientConsole& console) {
    if (call.json) {
        PrintKeysJson(console.out);
        return kExitReply;
    }
    console.out << std::left << std::setw(34) << "key" << "id   width  encoding\n";
    for (const ClientKey& key : ClientKeys()) {
        const EncodingRow& encoding = RowOf(key.entry.encoding);
        console.out << std::left << std::setw(34) << key.path << std::setw(5)
                    << (key.entry.id != 0 ? std::to_string(key.entry.id) : "-") << std::setw(7)
                    << (key.entry.id != 0 ? std::to_string(key.entry.Width()) : "-") << std::setw(6) << encoding.name
                    << encoding.range << "\n";
    }
    return kExitReply;
}

}  // namespace

int RunClientTool(const std::vector<std::string>& args, ClientConsole console, const Transport& transport) {
    Invocation call;
    std::string error;
    if (!ParseInvocation(args, call, error)) return Refuse(console.err, error);
    if (call.help) {
        console.out << kHelp;
        return kExitReply;
    }
    const std::string& command = call.words[0];
    if (command == "query") return Query(call, console, transport);
    if (command == "apply") return Apply(call, console, transport);
    if (command == "set") return Set(call, console, transport);
    if (command == "get") return Get(call, console, transport);
    if (command == "keys" && call.words.size() == 1) return Keys(call, console);
    return Refuse(console.err, "unknown command '" + command + "' (see --help)");
}
