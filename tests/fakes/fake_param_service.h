#pragma once

#include <map>
#include <ostream>
#include <set>
#include <vector>

#include "param_service.h"
#include "seam.h"

/// A stored value as a test states it: id and exact bytes.
struct ParamBytes {
    uint32_t id;
    std::vector<uint8_t> bytes;
    bool operator==(const ParamBytes& other) const { return id == other.id && bytes == other.bytes; }
};
std::ostream& operator<<(std::ostream& out, const ParamBytes& value);

/// One descriptor as the fake saw it: a read (`set` false) or a write with
/// its bytes, its length and the number of descriptors in its call.
struct ParamCall : ParamBytes {
    bool set;
    uint32_t length;
    int callSize;
};

/// An in-memory parameter service that records every descriptor it is given
/// and can be told to fail; an id it does not hold reads as zeros. Installs
/// itself for its own lifetime.
class FakeParamService : public ParamService {
public:
    FakeParamService() : install_(*this) {}
    int Get(ParamDescriptor* descriptors, int count) override;
    int Set(const ParamDescriptor* descriptors, int count) override;

    std::vector<ParamBytes> Writes() const;  // in order
    std::vector<uint32_t> Reads() const;     // the ids, in order

    std::set<uint32_t> failingIds;      // a call that names one fails whole
    std::set<uint32_t> failingReadIds;  // a read that names one fails whole
    bool failAll = false;
    std::map<uint32_t, std::vector<uint8_t>> values;
    std::vector<ParamCall> calls;

private:
    /// Records the call; true when it is to fail.
    bool Record(bool set, const ParamDescriptor* descriptors, int count);
    ScopedInstall<ParamService> install_;
};
