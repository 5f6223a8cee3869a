#include "param_service.h"

#include "file_param_store.h"
#include "seam.h"

template <>
ParamService& Seam<ParamService>::Default() {
    static FileParamStore store(kDefaultStoreDirectory);
    return store;
}

int get_parms(int /*handle*/, ParamDescriptor* descriptors, int count) {
    return Seam<ParamService>::Current().Get(descriptors, count);
}

int set_parms(int /*handle*/, ParamDescriptor* descriptors, int count) {
    return Seam<ParamService>::Current().Set(descriptors, count);
}
