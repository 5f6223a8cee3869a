#pragma once

#include <fstream>
#include <iterator>
#include <sstream>
#include <string>

#include <gtest/gtest.h>

#include "apply_config.h"
#include "dor_document.h"
#include "fake_param_service.h"
#include "loading.h"
#include "lun_document.h"
#include "recording_host_calls.h"
#include "records.h"

/// The records as a start-up on what the store holds now leaves them: from
/// nothing, so a field that loading misses shows.
inline bool Restart() {
    dorConfig = {};
    lunConfig = {};
    kipParams = {};
    return GetKipParams();
}

/// Applies `text` as the daemon applies a datagram's bytes.
inline int ApplyDocument(const std::string& text) {
    return GetConfigFromXmlData(dorConfig, lunConfig, kipParams, {text.begin(), text.end()});
}

/// Both status documents of the records, as the daemon writes them.
inline std::string WrittenDocuments() {
    std::ostringstream out;
    GetXmlFromLunConfig(GetXmlFromDorConfig(out, dorConfig), lunConfig);
    return out.str();
}

/// What the daemon writes for a typical unit, byte for byte: both documents,
/// with their mixed line ends, as a file.
inline const std::string kTypicalDocuments = [] {
    std::ifstream golden(KIP_TEST_DATA "/typical_unit.xml", std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(golden), {});
}();

/// Records as start-up leaves them for a typical unit: its documents applied
/// to a store that held only the logger's address, which they do not show;
/// then a second link, which no document shows either.
inline void LoadTypicalRecords() {
    FakeParamService store;
    RecordingHostCalls host;  // the pauses after address writes
    store.values[158] = {127, 0, 0, 1};
    EXPECT_EQ(1, ApplyDocument(kTypicalDocuments)) << "a typical unit's documents no longer apply whole";
    Restart();
    lunConfig.ItpLinks.push_back({1, "9.9.9.9", 2});
}
