#pragma once

#include <string>

#include "param_service.h"

/// The parameter service of a development machine: every parameter in one
/// checked file, `<directory>/parameters.store`, replaced atomically on each
/// change. It stores bytes by id and knows nothing of what they mean.
///
/// A file that fails its check is never repaired or overwritten: every call
/// fails until an operator deals with it. A missing file is an empty store.
class FileParamStore : public ParamService {
public:
    explicit FileParamStore(std::string directory);

    int Get(ParamDescriptor* descriptors, int count) override;
    int Set(const ParamDescriptor* descriptors, int count) override;

    const std::string& StorePath() const { return storePath_; }

private:
    std::string directory_;
    std::string storePath_;
};
