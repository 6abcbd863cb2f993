// What a controller pair keeps beside its configuration: the common parameters (reported in both copies of
// the unified record), each half's own parameters and state byte, the controller clock, the host channels'
// bus types, the enclosures and their settings, the alarm and the rescans; and how a half shuts down and
// restarts.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace sim {

struct Controller;

// The controller state byte of a half: 0 operating, 1 refusing configuration changes; a half that is shut
// down or off the bus is reported as absent.
inline constexpr uint8_t kStateOperating = 0;
inline constexpr uint8_t kStateRefusingChanges = 1;
inline constexpr uint8_t kStateAbsent = 2;

// An enclosure's identity and the settings SET_DRIVE_ENCLOSURE changes. The serial (its
// enclosure-management processor's, at most 32 bytes) names the enclosure in that command.
struct Enclosure {
    std::string serial;
    std::string name;      // at most 20 characters
    std::string location;  // at most 20 characters
    uint8_t rackNumber = 0;
    uint8_t rackPosition = 0;
};

struct PairSettings {
    // the controller clock as last set (timeDate of the controller record)
    uint32_t timeDate = 0;
    std::vector<uint8_t> commonParams;  // the common parameter block as last set; empty: all zero
    // enclosure k has the pair's enclosure WWN with k added to its last byte
    uint32_t enclosureCount = 1;
    // by enclosure; one missing has the defaults of EnclosureOf (records.h)
    std::vector<Enclosure> enclosures;
    uint32_t alarmsSilenced = 0;
    std::vector<uint32_t> rescannedChannels;  // in the order the rescans came
};

// A restart: the half leaves the bus shortly after acknowledging the command (so that its reply can still
// be read) and is back at returnMs (0: not until changed).
struct Restart {
    bool pending = false;
    uint64_t leaveMs = 0;
    uint64_t returnMs = 0;
};

struct HalfSettings {
    std::vector<uint8_t> params;  // the half's own parameter block as last set; empty: all zero
    uint8_t stateByte = kStateOperating;
    uint32_t restartMs = 30000;  // how long a reboot keeps the half off the bus (0: until changed)
    uint32_t shutdownMs = 0;     // how long a shut-down half answers CONTROLLER_SHUTDOWN (0: until rebooted)
    Restart restart;
};

inline constexpr uint64_t kLeavesBusAfterMs = 1000;

// Whether the half is on the bus now: present and not away in a restart.
bool OnBus(const Controller& controller, uint64_t nowMs);
// The state byte the half reports now.
uint8_t ReportedState(const Controller& controller, uint64_t nowMs);
// The half stops taking commands but the reboot: each is answered CONTROLLER_SHUTDOWN for its shutdownMs.
void ShutDownHalf(Controller& controller, uint64_t nowMs);
// The half restarts: its shut-down ends and it is off the bus for its restartMs.
void RestartHalf(Controller& controller, uint64_t nowMs);

}  // namespace sim
