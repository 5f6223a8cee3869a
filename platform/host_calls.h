#pragma once

/// The daemon's waits and its one shell command. They sit behind a seam so
/// that unit tests neither sleep nor restart anything, and can still see that
/// each wait happened.
class HostCalls {
public:
    virtual ~HostCalls() = default;
    virtual void Sleep(unsigned microseconds);
    virtual void RunCommand(const char* command);
};

/// usleep and system, or whatever a test installed in their place.
void PauseMicroseconds(unsigned microseconds);
void RunShellCommand(const char* command);
