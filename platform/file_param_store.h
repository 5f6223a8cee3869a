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
    /// Results of Get and Set; callers of the service only test for non-zero,
    /// the store tool tells an unset parameter from a broken store.
    enum Result { kOk = 0, kIoError = -1, kCorrupt = -2, kAbsent = -3, kBadArgument = -4 };

    explicit FileParamStore(std::string directory);

    int Get(ParamDescriptor* descriptors, int count) override;
    int Set(const ParamDescriptor* descriptors, int count) override;

    const std::string& StorePath() const { return storePath_; }

private:
    std::string directory_;
    std::string storePath_;
};
