// The host adapter list: one HBA_INFO per host port that a management LUN reported in its VPD page 0xD0,
// with the array controller ports seen through it. Rebuilt by every discovery; read by the proxy command
// that returns it whole. Written and read under the state-change mutex only.
#pragma once

#include <cstddef>
#include <cstdint>

constexpr uint32_t HBA_INFO_LIST_CAPACITY = 32;
constexpr uint32_t HBA_INFO_CONTROLLER_PORTS = 64;
constexpr uint8_t HBA_INFO_TYPE_SUPPLEMENTAL = 's';  // host interface type of entries from the adapter tool

struct HBA_CONTROLLER_PORT {
    uint8_t wwpn[8];
    uint8_t wwnn[8];
    uint8_t controllerSerialNumber[6];
    uint8_t controllerUniqueId[6];
};

// One host port; travels unchanged in proxy replies.
struct HBA_INFO {
    uint8_t hostIfType;          // page byte 52, or 's'
    uint8_t numControllerPorts;  // 0 to 64
    uint8_t reserved[2];
    uint8_t adapter;
    uint8_t bus;
    uint8_t target;
    uint8_t lun;
    uint8_t hbaWwpn[8];  // host port address
    uint8_t hbaWwnn[8];  // always zero
    HBA_CONTROLLER_PORT controllerPorts[HBA_INFO_CONTROLLER_PORTS];
};

struct HBA_INFO_LIST {
    uint32_t count;
    HBA_INFO entries[HBA_INFO_LIST_CAPACITY];
};

static_assert(sizeof(HBA_CONTROLLER_PORT) == 28);
static_assert(offsetof(HBA_CONTROLLER_PORT, controllerSerialNumber) == 16);
static_assert(offsetof(HBA_CONTROLLER_PORT, controllerUniqueId) == 22);
static_assert(sizeof(HBA_INFO) == 1816);
static_assert(offsetof(HBA_INFO, adapter) == 4);
static_assert(offsetof(HBA_INFO, lun) == 7);
static_assert(offsetof(HBA_INFO, hbaWwpn) == 8);
static_assert(offsetof(HBA_INFO, hbaWwnn) == 16);
static_assert(offsetof(HBA_INFO, controllerPorts) == 24);
static_assert(sizeof(HBA_INFO_LIST) == 58116);
static_assert(offsetof(HBA_INFO_LIST, entries) == 4);

extern HBA_INFO_LIST g_HbaInfoList;

// Empties the list (at the start of every discovery).
void ClearHBAInfoGlobalList();

// Records the host port `hbaWwpn` (an all-zero address is not recorded) and, when controllerSerial,
// controllerUniqueId and controllerWwnn are all given, the controller port it sees (once per controller
// serial number). Any pointer may be null; addresses are 8 bytes, serial and unique id 6.
void InsertHBAInfoGlobalList(const uint8_t* hbaWwpn, const uint8_t* hbaWwnn, uint8_t hostIfType,
                             uint8_t adapter, uint8_t bus, uint8_t target, uint8_t lun,
                             const uint8_t* controllerSerial, const uint8_t* controllerUniqueId,
                             const uint8_t* controllerWwpn, const uint8_t* controllerWwnn);
