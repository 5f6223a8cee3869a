#include <unistd.h>

#include <iostream>

#include "client_tool.h"

int main(int argc, char** argv) {
    ClientConsole console{std::cin, std::cout, std::cerr, isatty(STDIN_FILENO) != 0};
    return RunClientTool(std::vector<std::string>(argv + 1, argv + argc), console, ExchangeDatagram);
}
