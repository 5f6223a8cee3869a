#include "fake_param_service.h"

#include <algorithm>
#include <iomanip>

std::ostream& operator<<(std::ostream& out, const ParamBytes& value) {
    out << "{" << value.id << ":";
    for (uint8_t byte : value.bytes) {
        out << " " << std::hex << std::setw(2) << std::setfill('0') << int(byte) << std::dec;
    }
    return out << "}";
}

bool FakeParamService::Fails(const ParamDescriptor* descriptors, int count,
                             const std::set<uint32_t>& more) const {
    return failAll || std::any_of(descriptors, descriptors + count, [&](const ParamDescriptor& d) {
               return failingIds.count(d.id) != 0 || more.count(d.id) != 0;
           });
}

int FakeParamService::Get(ParamDescriptor* descriptors, int count) {
    for (int i = 0; i < count; ++i) calls.push_back({false, descriptors[i].id, descriptors[i].length, {}, count});
    if (Fails(descriptors, count, failingReadIds)) return 1;
    for (int i = 0; i < count; ++i) {
        std::vector<uint8_t> stored = values[descriptors[i].id];
        stored.resize(descriptors[i].length, 0);
        std::copy(stored.begin(), stored.end(), descriptors[i].data);
    }
    return 0;
}

int FakeParamService::Set(const ParamDescriptor* descriptors, int count) {
    for (int i = 0; i < count; ++i) {
        const ParamDescriptor& d = descriptors[i];
        calls.push_back({true, d.id, d.length, std::vector<uint8_t>(d.data, d.data + d.length), count});
    }
    if (Fails(descriptors, count, {})) return 1;
    for (int i = 0; i < count; ++i) values[descriptors[i].id] = calls[calls.size() - count + i].bytes;
    return 0;
}

std::vector<ParamBytes> FakeParamService::Writes() const {
    std::vector<ParamBytes> writes;
    for (const ParamCall& call : calls) {
        if (call.set) writes.push_back({call.id, call.bytes});
    }
    return writes;
}

std::vector<uint32_t> FakeParamService::Reads() const {
    std::vector<uint32_t> reads;
    for (const ParamCall& call : calls) {
        if (!call.set) reads.push_back(call.id);
    }
    return reads;
}
