#include "fake_param_service.h"

#include <algorithm>

bool FakeParamService::Fails(const ParamDescriptor* descriptors, int count, const std::set<uint32_t>& more) {
    ++calls;
    return failAll || std::any_of(descriptors, descriptors + count, [&](const ParamDescriptor& d) {
               return failingIds.count(d.id) != 0 || more.count(d.id) != 0;
           });
}

int FakeParamService::Get(ParamDescriptor* descriptors, int count) {
    if (Fails(descriptors, count, failingReadIds)) return 1;
    for (ParamDescriptor* d = descriptors; d != descriptors + count; ++d) {
        auto value = values.find(d->id);
        std::vector<uint8_t> stored = value != values.end() ? value->second : std::vector<uint8_t>{};
        stored.resize(d->length);
        std::copy(stored.begin(), stored.end(), d->data);
    }
    return 0;
}

int FakeParamService::Set(const ParamDescriptor* descriptors, int count) {
    for (const ParamDescriptor* d = descriptors; d != descriptors + count; ++d) writes.push_back({d->id, {d->data, d->data + d->length}});
    if (Fails(descriptors, count, {})) return 1;
    for (auto write = writes.end() - count; write != writes.end(); ++write) values[write->id] = write->bytes;
    return 0;
}
