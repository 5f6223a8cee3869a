#pragma once

/// A platform service that the daemon reaches through one global entry point.
/// The real binary uses the default implementation; tests install a fake for
/// the length of a test with ScopedInstall.
template <class Service>
class Seam {
public:
    static Service& Current() { return installed_ != nullptr ? *installed_ : Default(); }

    /// Makes `service` answer every later call (nullptr: the default again).
    /// Returns the one installed before.
    static Service* Install(Service* service) {
        Service* previous = installed_;
        installed_ = service;
        return previous;
    }

private:
    static Service& Default();  // defined next to each real implementation
    static inline Service* installed_ = nullptr;
};

/// Installs a service for the lifetime of this object.
template <class Service>
class ScopedInstall {
public:
    explicit ScopedInstall(Service& service) : previous_(Seam<Service>::Install(&service)) {}
    ~ScopedInstall() { Seam<Service>::Install(previous_); }
    ScopedInstall(const ScopedInstall&) = delete;
    ScopedInstall& operator=(const ScopedInstall&) = delete;

private:
    Service* previous_;
};
