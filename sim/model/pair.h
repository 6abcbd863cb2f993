// A storage system: a controller pair (A with failoverId 1, B with 0) sharing one configuration: its
// parameters, drives, arrays, partitions, the hosts it knows and their nicknames, the authentication
// database, its events and orphan cache, and the configuration sequence numbers that move on every change.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "sim/model/authdb.h"
#include "sim/model/identifiers.h"
#include "sim/model/partition.h"
#include "sim/model/settings.h"
#include "sim/model/snapshots.h"

namespace sim {

// What a half does with commands: answers them, answers none (down), or refuses each with a code; shut
// down, it refuses each with CONTROLLER_SHUTDOWN but takes a reboot. These last until a time on the
// platform clock (0: until changed).
enum class HalfState : uint8_t { Up, Down, Refusing, ShutDown };

struct HalfCondition {
    HalfState state = HalfState::Up;
    uint64_t untilMs = 0;
    int32_t refusalCode = 0;
};

// Bit of a controller's third capability word: it takes snapshots.
inline constexpr uint32_t kCapabilitySnapshots = 0x80000000u;

// One controller of a pair, with its own parameters.
struct Controller {
    uint8_t failoverId = 1;
    Serial6 serial{};  // the 12 hexadecimal digits that name the controller
    Serial6 uniqueId{};
    uint8_t portNumber = 0;            // reported at byte 31 of VPD page 0x83
    ScsiAddress managementLun;         // the LUN through which the host reaches it
    uint8_t managementLunType = 0x0D;  // peripheral device type of the management LUN
    Wwn hostPort{};                    // the host port the controller's commands arrive through
    Wwn portWwpn{};
    Wwn portWwnn{};
    char hostInterfaceType = 'F';
    bool present = true;  // false: vanished from the bus
    HalfCondition condition;
    uint8_t localChanges = 1;      // configuration change counter (8 bits on the wire)
    uint8_t capiVersionMajor = 3;  // the CAPI version its record reports
    uint8_t capiVersionMinor = 10;
    uint32_t capabilities3 = kCapabilitySnapshots;
    HalfSettings settings;
};

// The snapshot limits a pair reports (the same in both halves' records).
struct SnapshotLimits {
    uint16_t maxSnapshots = 64;  // per controller
    uint16_t maxSnapshotsPerControllerPair = 128;
    uint16_t maxSnapshotsPerVolume = 32;
};

// Parameters both halves share.
struct CommonParams {
    uint32_t numHostChannels = 2;
    HostBusTypeList hostBusTypes = HostBusTypes(kBusTypeFc);  // per host channel
    std::string password;
    SnapshotLimits snapshotLimits;
};

// How a drive is used (the howUsed byte of its record).
enum class DriveUse : uint8_t { Available = 0, Member = 1, DedicatedSpare = 2, PoolSpare = 3, Leftover = 5 };

struct Drive {
    std::string serial;
    uint64_t blocks = 0x7FFFFFFF;
    DriveUse use = DriveUse::Available;
    std::array<uint8_t, 32> array{};  // the array it is a member of or a dedicated spare for
    Wwn wwn{};
    uint8_t channel = 0;
    uint16_t scsiId = 0;
    bool blinking = false;
};

inline constexpr uint64_t kDefaultArrayBlocks = uint64_t{1} << 32;  // 2 TiB of 512-byte blocks

struct Array {
    std::string name;
    std::array<uint8_t, 32> serial{};
    uint8_t raidLevel = 5;
    uint32_t numDrives = 4;
    uint8_t preferredOwner = 1;                     // failoverId of the controller that should own it
    uint8_t currentOwner = 1;                       // failoverId of the controller that owns it now
    uint64_t capacityBlocks = kDefaultArrayBlocks;  // its volumes' blocks and the free blocks
    uint8_t utilityRunning = 0;                     // 0: none; kUtilityVerify while a verification runs
    bool quarantined = false;
    uint32_t percentComplete = 0;  // of the running utility
};
inline constexpr uint8_t kUtilityVerify = 3;

// A host port the pair has seen log in, and the nickname given to a host port.
struct KnownHost {
    HostPortId port;
};
struct Nickname {
    HostPortId port;
    std::string name;
};

// One entry of the pair's event log. A logged record keeps its other bytes (status, object address, text
// areas) in `detail`; an event a command posts has none.
struct Event {
    uint32_t code = 0;
    uint32_t params[4] = {};
    uint64_t timeMs = 0;
    uint32_t sequence = 0;        // given when the event enters the log, counting from 1
    std::vector<uint8_t> detail;  // the whole record as logged, or empty
};

struct StorageSystem {
    std::string name;
    std::string vendor = "Brenlow";  // INQUIRY vendor (8 characters, blank padded)
    std::string product;             // INQUIRY product (16 characters, blank padded)
    std::string revision = "T100";
    Controller controllers[2];  // [0] = A (failoverId 1), [1] = B (failoverId 0)
    CommonParams params;
    std::vector<Drive> drives;
    std::vector<Array> arrays;
    std::vector<Partition> partitions;
    std::vector<KnownHost> knownHosts;
    std::vector<Nickname> nicknames;
    AuthDatabase authDb;
    std::vector<Event> events;  // oldest first
    uint32_t nextEventSequence = 1;
    std::vector<Serial16> orphanCache;  // partitions whose cached data lost its volume
    SnapshotServices snapshotServices;
    std::string uniqueSn = "555555";  // the supplier serial of the enclosure's FRU that names the system
    Wwn enclosureWwn{};
    uint32_t arrayListChanges = 1;
    uint32_t driveListChanges = 1;
    PairSettings settings;
};

// The configuration sequence number a controller reports: its own change counter in bits 0-7 and its
// partner's in bits 16-23.
uint32_t ConfigSequenceNumber(const StorageSystem& system, int controller);
// Moves every change counter of a system on (a configuration change).
void RecordConfigurationChange(StorageSystem& system);
// The array with this 32-byte serial, or null.
Array* FindArray(StorageSystem& system, const uint8_t* serial32);
// The partition with this serial, or null.
Partition* FindPartition(StorageSystem& system, const uint8_t* serial16);
// The blocks of the array that its volumes leave free (snapshots live in their snap pool and take none).
uint64_t UsedBlocks(const StorageSystem& system, size_t array);
uint64_t FreeBlocks(const StorageSystem& system, size_t array);
// A half's state now: a timed state that has run out is Up again.
HalfState CurrentState(Controller& controller, uint64_t nowMs);

}  // namespace sim
