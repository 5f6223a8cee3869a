#include "param_access.h"

#include "param_service.h"

bool GetParam(uint32_t id, uint32_t length, void* destination) {
    ParamDescriptor descriptor{id, length, static_cast<uint8_t*>(destination)};
    return get_parms(kHandle, &descriptor, 1) == 0;
}

bool SetParam(uint32_t id, uint32_t length, const void* source) {
    // The service only reads the buffers of a write.
    ParamDescriptor descriptor{id, length, static_cast<uint8_t*>(const_cast<void*>(source))};
    return set_parms(kHandle, &descriptor, 1) == 0;
}
