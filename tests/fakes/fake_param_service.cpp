#include "fake_param_service.h"

#include <iomanip>

std::ostream& operator<<(std::ostream& out, const ParamBytes& value) {
    out << value.id << ":" << std::hex << std::setfill('0');
    for (uint8_t byte : value.bytes) out << " " << std::setw(2) << int{byte};
    return out << std::dec;
}

bool FakeParamService::Record(bool set, const ParamDescriptor* descriptors, int count) {
    bool fails = failAll;
    for (const ParamDescriptor* d = descriptors; d != descriptors + count; ++d) {
        std::vector<uint8_t> written;
        if (set) written.assign(d->data, d->data + d->length);
        calls.push_back({{d->id, written}, set, d->length, count});
        fails = fails || failingIds.count(d->id) != 0 || (!set && failingReadIds.count(d->id) != 0);
    }
    return fails;
}

int FakeParamService::Get(ParamDescriptor* descriptors, int count) {
    if (Record(false, descriptors, count)) return 1;
    for (ParamDescriptor* d = descriptors; d != descriptors + count; ++d) {
        std::vector<uint8_t> stored = values[d->id];
        stored.resize(d->length);
        std::copy(stored.begin(), stored.end(), d->data);
    }
    return 0;
}

int FakeParamService::Set(const ParamDescriptor* descriptors, int count) {
    if (Record(true, descriptors, count)) return 1;
    for (auto call = calls.end() - count; call != calls.end(); ++call) values[call->id] = call->bytes;
    return 0;
}

std::vector<ParamBytes> FakeParamService::Writes() const {
    std::vector<ParamBytes> writes;
    for (const ParamCall& call : calls) if (call.set) writes.push_back(call);
    return writes;
}

std::vector<uint32_t> FakeParamService::Reads() const {
    std::vector<uint32_t> reads;
    for (const ParamCall& call : calls) if (!call.set) reads.push_back(call.id);
    return reads;
}
