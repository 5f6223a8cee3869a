#pragma once

#include <cstdint>
#include <map>
#include <ostream>
#include <set>
#include <vector>

#include "param_service.h"
#include "seam.h"

/// One descriptor as the fake saw it: a read (`set` false) or a write, with
/// the bytes written (writes only) and the number of descriptors in its call.
struct ParamCall {
    bool set;
    uint32_t id;
    uint32_t length;
    std::vector<uint8_t> bytes;
    int callSize;
};

/// A stored value as a test states it: id and exact bytes.
struct ParamBytes {
    uint32_t id;
    std::vector<uint8_t> bytes;
    bool operator==(const ParamBytes& other) const { return id == other.id && bytes == other.bytes; }
};
std::ostream& operator<<(std::ostream& out, const ParamBytes& value);

/// An in-memory parameter service that records every descriptor it is given
/// and can be told to fail. Reads of an id it does not hold give zeros.
/// Installs itself for its own lifetime.
class FakeParamService : public ParamService {
public:
    FakeParamService() : install_(*this) {}

    int Get(ParamDescriptor* descriptors, int count) override;
    int Set(const ParamDescriptor* descriptors, int count) override;

    /// Any call that names one of these ids fails whole.
    std::set<uint32_t> failingIds;
    /// Reads (only) of these ids fail.
    std::set<uint32_t> failingReadIds;
    /// Every call fails.
    bool failAll = false;

    std::map<uint32_t, std::vector<uint8_t>> values;
    std::vector<ParamCall> calls;

    /// The writes made, in order, each with its bytes.
    std::vector<ParamBytes> Writes() const;
    /// The ids read, in order.
    std::vector<uint32_t> Reads() const;

private:
    bool Fails(const ParamDescriptor* descriptors, int count, const std::set<uint32_t>& more) const;
    ScopedInstall<ParamService> install_;
};
