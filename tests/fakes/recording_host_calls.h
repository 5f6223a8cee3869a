#pragma once

#include <functional>
#include <string>
#include <vector>

#include "host_calls.h"
#include "seam.h"

/// Records the daemon's waits and commands instead of sleeping or running
/// anything; a test may act at either (send a datagram, stop the loop).
/// Installs itself for its own lifetime.
class RecordingHostCalls : public HostCalls {
public:
    void Sleep(unsigned microseconds) override {
        sleeps.push_back(microseconds);
        if (onSleep) onSleep(microseconds);
    }
    void RunCommand(const char* command) override {
        commands.emplace_back(command);
        if (onCommand) onCommand(command);
    }

    std::vector<unsigned> sleeps;
    std::vector<std::string> commands;
    std::function<void(unsigned)> onSleep;
    std::function<void(const std::string&)> onCommand;

private:
    ScopedInstall<HostCalls> install_{*this};
};
