#pragma once

#include <algorithm>
#include <map>
#include <set>
#include <vector>

#include "param_service.h"
#include "seam.h"

/// An in-memory parameter service that can be told to fail; an id it does
/// not hold reads as zeros. Installs itself for its own lifetime.
class FakeParamService : public ParamService {
public:
    int Get(ParamDescriptor* descriptors, int count) override {
        if (Fails(descriptors, count, failingReadIds)) return 1;
        for (ParamDescriptor* d = descriptors; d != descriptors + count; ++d) {
            std::vector<uint8_t> stored = values.count(d->id) != 0 ? values[d->id] : std::vector<uint8_t>{};
            stored.resize(d->length);
            std::copy(stored.begin(), stored.end(), d->data);
        }
        return 0;
    }
    int Set(const ParamDescriptor* descriptors, int count) override {
        for (const ParamDescriptor* d = descriptors; d != descriptors + count; ++d) writes.push_back(d->id);
        if (Fails(descriptors, count, {})) return 1;
        for (const ParamDescriptor* d = descriptors; d != descriptors + count; ++d) values[d->id].assign(d->data, d->data + d->length);
        return 0;
    }

    // A call that names one of the first, or a read that names one of the second, fails whole.
    std::set<uint32_t> failingIds, failingReadIds;
    bool failAll = false;
    std::map<uint32_t, std::vector<uint8_t>> values;
    std::vector<uint32_t> writes;  // the id of each value every Set was given, stored or not, in order
    int calls = 0;

private:
    bool Fails(const ParamDescriptor* descriptors, int count, const std::set<uint32_t>& more) {
        ++calls;
        auto named = [&](const ParamDescriptor& d) { return failingIds.count(d.id) + more.count(d.id) != 0; };
        return failAll || std::any_of(descriptors, descriptors + count, named);
    }
    ScopedInstall<ParamService> install_{*this};
};
