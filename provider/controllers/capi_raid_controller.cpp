#include "provider/controllers/capi_raid_controller.h"

#include <cctype>

#include "platform/kernel/sync.h"
#include "provider/controllers/debug_log.h"
#include "provider/controllers/provider_events.h"

namespace {

bool IsFibreChannelBus(uint8_t bus) { return bus == 4 || bus == 5 || bus == 6; }
bool IsSasBus(uint8_t bus) { return bus == 8; }
bool IsIscsiBus(uint8_t bus) { return bus == 9; }
bool IsDigit(char c) { return c >= '0' && c <= '9'; }

}  // namespace

BVSS_CapiRaidController::BVSS_CapiRaidController() {
    mOpDoneEvent = CreateEventA(nullptr, FALSE, FALSE, "CAPI Op Done Event");
    if (mOpDoneEvent == nullptr) {
        LogErrorEvent(L"BVSS_CapiRaidController(): Couldn't create op done event handle.");
        throw static_cast<HRESULT>(VSS_E_PROVIDER_VETO);
    }
    InitializeCriticalSection(&mLock);
    BVSS_DebugPrint(L"BVSS_CapiRaidController(): returning\n");
}

BVSS_CapiRaidController::~BVSS_CapiRaidController() {
    if (mOpDoneEvent != nullptr) CloseHandle(mOpDoneEvent);
    DeleteCriticalSection(&mLock);
    BVSS_DebugPrint(L"~BVSS_CapiRaidController(): returning\n");
}

bool BVSS_CapiRaidController::IsQ300() const {
    if (mControllerData.capabilities == 0)
        BVSS_DebugPrint(L"ERROR: IsQ300() called before capabilities initialized!!!\n");
    return mControllerData.firmwareRevision[0] == 'I';
}

bool BVSS_CapiRaidController::IsVandrel() const {
    if (mControllerData.capabilities == 0)
        BVSS_DebugPrint(L"ERROR: IsVandrel() called before capabilities initialized!!!\n");
    const char c0 = mControllerData.firmwareRevision[0];
    return c0 == 'G' || c0 == 'V';
}

bool BVSS_CapiRaidController::isQ700() const {
    if (mControllerData.capabilities == 0)
        BVSS_DebugPrint(L"ERROR: isQ700() called before m_capabilities initialized!!!\n");
    const char* f = mControllerData.firmwareRevision;
    BVSS_DebugPrint(L"isQ700(): firmwareRevision is %.20S CAPI is %d.%d\n", f,
                    mControllerData.capiVersionMajor, mControllerData.capiVersionMinor);
    if (IsQ300() || f[0] == 'V') return true;
    if (f[0] != 'G') return false;
    if ((f[1] == 'L' || f[1] == 'N' || f[1] == 'T') && f[2] == 'S' && IsDigit(f[3]) && f[3] > '1')
        return true;
    return IsDigit(f[1]) && f[1] >= '2' && IsDigit(f[2]) && IsDigit(f[3]);
}

bool BVSS_CapiRaidController::IsPS() const {
    if (mControllerData.capabilities == 0)
        BVSS_DebugPrint(L"ERROR: IsPS() called before capabilities initialized!!!\n");
    if (IsQ300()) return true;
    constexpr uint32_t kPagedStorage = 0x2000;
    if ((mControllerData.capabilities3 & kPagedStorage) != 0) {
        if (m_pspCount > 0) return true;
        if (IsVandrel()) return false;
        BVSS_DebugPrint(L"WARNING: IsPS() while pspCount == 0\n");
        return true;
    }
    if (m_pspCount == 0) return false;
    BVSS_DebugPrint(L"IsPS: m_pspCount = %d but capability bit not set???\n", m_pspCount);
    return true;
}

bool BVSS_CapiRaidController::isCapiVersionAtLeast(uint8_t major, uint8_t minor) const {
    return mControllerData.capiVersionMajor > major ||
           (mControllerData.capiVersionMajor == major && mControllerData.capiVersionMinor >= minor);
}

bool BVSS_CapiRaidController::AnyHostChannel(bool (*test)(uint8_t busType)) const {
    const uint32_t channels = mControllerData.numHostChannels < 8 ? mControllerData.numHostChannels : 8;
    for (uint32_t i = 0; i < channels; ++i)
        if (test(mControllerData.hostChannels[i].busType)) return true;
    return false;
}

uint8_t BVSS_CapiRaidController::HostChannelZeroBusType() const {
    return mControllerData.hostChannels[0].busType;
}

bool BVSS_CapiRaidController::HasFC() const { return AnyHostChannel(IsFibreChannelBus); }
bool BVSS_CapiRaidController::HasSAS() const { return AnyHostChannel(IsSasBus); }
bool BVSS_CapiRaidController::HasiSCSI() const { return AnyHostChannel(IsIscsiBus); }
bool BVSS_CapiRaidController::IsHybrid() const {
    return HasiSCSI() && AnyHostChannel([](uint8_t bus) { return !IsIscsiBus(bus); });
}
bool BVSS_CapiRaidController::isFCHostInterface() const {
    return IsFibreChannelBus(HostChannelZeroBusType());
}
bool BVSS_CapiRaidController::isSASHostInterface() const { return IsSasBus(HostChannelZeroBusType()); }
bool BVSS_CapiRaidController::isiSCSIHostInterface() const { return IsIscsiBus(HostChannelZeroBusType()); }
bool BVSS_CapiRaidController::isControllerMode8() const {
    return mControllerData.controllerParams1.controllerMode == 8;
}

bool BVSS_CapiRaidController::IsFlexIdSupported(const FlexIDEntry& port) const {
    const bool iscsiPort = port.mKind == kFlexKindIscsi || port.mPortType == kFlexPortTypeIscsi;
    if (HasiSCSI() && iscsiPort) return true;
    if (isFCHostInterface() && port.mKind != kFlexKindFibreChannel) return false;
    if (isSASHostInterface() && port.mKind != kFlexKindFibreChannel) return false;
    if (isiSCSIHostInterface() && !(port.mKind == kFlexKindIscsi && port.mPortType == kFlexPortTypeIscsi))
        return false;
    return true;
}

const uint8_t* BVSS_CapiRaidController::getArrayOwnerSN(const CAPI_ARRAY& array) const {
    const uint8_t f = getFailoverId();
    const uint8_t* own = mControllerData.serialNumber;
    const uint8_t* other = mControllerData.failover.otherSerialNumber;
    const uint8_t* serialA = f == 1 ? own : other;
    const uint8_t* serialB = f != 0 ? other : own;
    const uint8_t* owner = array.currentOwner == 1 ? serialA : serialB;
    const uint8_t* id = array.serialNumber;
    BVSS_DebugPrint(
        L"getArrayOwnerSN(): Array '%.32S', SN=%02x%02x%02x%02x%02x%02x%02x%02x%02x%02x%02x%02x%02x%02x%02x%02x "
        L"is owned by controller %u, SN=%.32S (through controller %u, aSN=%.32S, bSN=%.32S).\n",
        array.name, id[0], id[1], id[2], id[3], id[4], id[5], id[6], id[7], id[8], id[9], id[10], id[11],
        id[12], id[13], id[14], id[15], array.currentOwner, owner, f, serialA, serialB);
    return owner;
}
