#pragma once

#include <functional>
#include <istream>
#include <ostream>
#include <string>
#include <vector>

#include "udp_exchange.h"

/// How the client reaches the daemon; tests put a fake in its place.
using Transport = std::function<ExchangeResult(const DaemonAddress&, const std::string& request, std::string& reply,
                                               std::string& error)>;

struct ClientConsole {
    std::istream& in;
    std::ostream& out;
    std::ostream& err;
    bool interactive;  // standard input is a terminal: REBOOT may be confirmed there
};

/// kip-param-client: `args` without the program name. Returns the exit
/// status: 0 a reply came, 1 none came in time, 2 bad usage or a refused
/// document or value (nothing sent).
int RunClientTool(const std::vector<std::string>& args, ClientConsole console, const Transport& transport);
