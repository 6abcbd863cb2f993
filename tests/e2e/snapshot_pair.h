// The scenario sim/scenarios/snapshot_pair.ini and the partition IDs (16 bytes) of its volumes.
#pragma once

#include <cstdint>
#include <vector>

namespace e2e {

inline constexpr const char* kSnapshotPairScenario = SIM_SCENARIO_DIR "/snapshot_pair.ini";

// data01: a master volume on vd01, mapped at LUN 1.
inline const std::vector<uint8_t> kDataVolume = {0x60, 0x0C, 0x0F, 0xF0, 0x00, 0x1A, 0x2B, 0x01,
                                                 0,    0,    0,    0,    0,    0,    0,    0xA2};
// manage01: a master volume on vd02, the volume behind controller A's management LUN 0 (the serial the LUN
// reports on VPD page 0x80).
inline const std::vector<uint8_t> kManagementVolume = {0x00, 0x0C, 0x0F, 0xF0, 0x00, 0x1A, 0x2B, 0x01,
                                                       0,    0,    0,    0,    0,    0,    0,    0};
// logs01: a standard volume on vd02, mapped at LUN 3.
inline const std::vector<uint8_t> kLogsVolume = {0x60, 0x0C, 0x0F, 0xF0, 0x00, 0x1A, 0x2B, 0x01,
                                                 0,    0,    0,    0,    0,    0,    0,    0xA4};

}  // namespace e2e
