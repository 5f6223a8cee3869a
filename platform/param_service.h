#pragma once

#include <cstdint>

/// One parameter to transfer: `length` bytes of parameter `id`, read into or
/// stored from `data`. The caller owns the buffer.
struct ParamDescriptor {
    uint32_t id;
    uint32_t length;
    uint8_t* data;
};

/// The handle the daemon and its tools pass to get_parms and set_parms.
inline constexpr int kHandle = -1;

/// Reads every parameter named by the array into its buffer. Returns 0 when
/// all of them were read; any other value fails the whole call. `handle` is
/// accepted for the platform's sake and ignored.
int get_parms(int handle, ParamDescriptor* descriptors, int count);

/// Stores every parameter of the array, all or none. Returns 0 on success.
int set_parms(int handle, ParamDescriptor* descriptors, int count);

/// What answers get_parms and set_parms. The default is the file store under
/// kDefaultStoreDirectory; tests install a fake through Seam<ParamService>.
class ParamService {
public:
    virtual ~ParamService() = default;
    virtual int Get(ParamDescriptor* descriptors, int count) = 0;
    virtual int Set(const ParamDescriptor* descriptors, int count) = 0;
};

inline constexpr const char* kDefaultStoreDirectory = "/var/lib/app-kip-param";
