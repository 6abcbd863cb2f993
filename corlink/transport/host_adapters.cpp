#include "corlink/transport/host_adapters.h"

#include <cstring>

#include "corlink/foundation/log.h"

HBA_INFO_LIST g_HbaInfoList;

namespace {

// format takes the eight bytes as eight "%02X".
void LogEightBytes(const char* format, const uint8_t* b) {
    DebugPrint(format, b[0], b[1], b[2], b[3], b[4], b[5], b[6], b[7]);
}

bool IsAllZero(const uint8_t* bytes, size_t length) {
    for (size_t i = 0; i < length; ++i) {
        if (bytes[i] != 0) return false;
    }
    return true;
}

void CopyOrZero(uint8_t* to, const uint8_t* from, size_t length) {
    if (from != nullptr) {
        std::memcpy(to, from, length);
    } else {
        std::memset(to, 0, length);
    }
}

void LogInsert(const uint8_t* hbaWwpn, const uint8_t* hbaWwnn, uint8_t hostIfType, uint8_t adapter,
               uint8_t bus, uint8_t target, uint8_t lun, const uint8_t* serial, const uint8_t* uniqueId,
               const uint8_t* wwpn, const uint8_t* wwnn) {
    // The unique id is six bytes without a terminator: shown as text of at most six characters.
    char uniqueIdText[sizeof(HBA_CONTROLLER_PORT::controllerUniqueId) + 1] = "";
    if (uniqueId != nullptr) std::memcpy(uniqueIdText, uniqueId, sizeof uniqueIdText - 1);
    DebugPrint("InsertHBAInfoGlobalList: HostIfType=%c portNumber=%d,%d ControllerControllerUniqueID=%s\n",
               hostIfType, adapter, bus, uniqueIdText);
    DebugPrint("%d.%d.%d.%d: ", adapter, bus, target, lun);
    if (serial != nullptr) {
        DebugPrint("ControllerSerialNumber=%02X%02X%02X%02X%02X%02X ", serial[0], serial[1], serial[2],
                   serial[3], serial[4], serial[5]);
    }
    if (wwpn != nullptr) LogEightBytes("wwpn=%02X%02X%02X%02X%02X%02X%02X%02X ", wwpn);
    if (wwnn != nullptr) LogEightBytes("wwnn=%02X%02X%02X%02X%02X%02X%02X%02X\n", wwnn);
    static const uint8_t kZero[8] = {};
    LogEightBytes("hbaWwpn=%02X%02X%02X%02X%02X%02X%02X%02X ", hbaWwpn != nullptr ? hbaWwpn : kZero);
    LogEightBytes("hbaWwnn=%02X%02X%02X%02X%02X%02X%02X%02X\n", hbaWwnn != nullptr ? hbaWwnn : kZero);
}

int32_t FindHostPort(const uint8_t* hbaWwpn) {
    const uint32_t count =
        g_HbaInfoList.count < HBA_INFO_LIST_CAPACITY ? g_HbaInfoList.count : HBA_INFO_LIST_CAPACITY;
    for (uint32_t i = 0; i < count; ++i) {
        if (std::memcmp(g_HbaInfoList.entries[i].hbaWwpn, hbaWwpn, sizeof(HBA_INFO::hbaWwpn)) == 0) {
            return static_cast<int32_t>(i);
        }
    }
    return -1;
}

bool SeesController(const HBA_INFO& entry, const uint8_t* serial) {
    for (uint32_t i = 0; i < entry.numControllerPorts && i < HBA_INFO_CONTROLLER_PORTS; ++i) {
        if (std::memcmp(entry.controllerPorts[i].controllerSerialNumber, serial,
                        sizeof(HBA_CONTROLLER_PORT::controllerSerialNumber)) == 0) {
            return true;
        }
    }
    return false;
}

}  // namespace

void ClearHBAInfoGlobalList() { std::memset(&g_HbaInfoList, 0, sizeof g_HbaInfoList); }

void InsertHBAInfoGlobalList(const uint8_t* hbaWwpn, const uint8_t* hbaWwnn, uint8_t hostIfType,
                             uint8_t adapter, uint8_t bus, uint8_t target, uint8_t lun,
                             const uint8_t* controllerSerial, const uint8_t* controllerUniqueId,
                             const uint8_t* controllerWwpn, const uint8_t* controllerWwnn) {
    LogInsert(hbaWwpn, hbaWwnn, hostIfType, adapter, bus, target, lun, controllerSerial, controllerUniqueId,
              controllerWwpn, controllerWwnn);
    if (hbaWwpn == nullptr || IsAllZero(hbaWwpn, sizeof(HBA_INFO::hbaWwpn))) return;

    int32_t index = FindHostPort(hbaWwpn);
    DebugPrint("hbaIndex = %d\n", index);
    if (index < 0) {
        if (g_HbaInfoList.count >= HBA_INFO_LIST_CAPACITY) return;  // a full list drops new host ports
        index = static_cast<int32_t>(g_HbaInfoList.count++);
        HBA_INFO& added = g_HbaInfoList.entries[index];
        std::memset(&added, 0, sizeof added);
        added.hostIfType = hostIfType;
        added.adapter = adapter;
        added.bus = bus;
        added.target = target;
        added.lun = lun;
        std::memcpy(added.hbaWwpn, hbaWwpn, sizeof added.hbaWwpn);
        CopyOrZero(added.hbaWwnn, hbaWwnn, sizeof added.hbaWwnn);
    }

    HBA_INFO& entry = g_HbaInfoList.entries[index];
    if (controllerSerial == nullptr || controllerUniqueId == nullptr || controllerWwnn == nullptr ||
        entry.numControllerPorts >= HBA_INFO_CONTROLLER_PORTS || SeesController(entry, controllerSerial)) {
        return;
    }
    HBA_CONTROLLER_PORT& port = entry.controllerPorts[entry.numControllerPorts++];
    CopyOrZero(port.wwpn, controllerWwpn, sizeof port.wwpn);
    std::memcpy(port.wwnn, controllerWwnn, sizeof port.wwnn);
    std::memcpy(port.controllerSerialNumber, controllerSerial, sizeof port.controllerSerialNumber);
    std::memcpy(port.controllerUniqueId, controllerUniqueId, sizeof port.controllerUniqueId);
}
