// The pairing rules of discovery: duplicate paths merged, placeholders for unreachable mates, dead paths
// replaced by their mate.
#include <cstring>

#include "corlink/capi/controller_handles.h"
#include "corlink/database/controller_db.h"
#include "corlink/database/controller_discovery.h"
#include "corlink/database/partition_view_cache.h"
#include "corlink/foundation/log.h"

namespace {

RAID_CONTROLLER& Entry(int32_t index) { return g_ControllerDb[static_cast<uint32_t>(index)]; }
int32_t Count() { return static_cast<int32_t>(g_NumControllers); }
bool InUse(int32_t index) { return index >= 0 && index < Count(); }

// True when `text` starts with the serial of `owner`. An empty serial names nothing: an entry whose
// serial was never read would otherwise match every entry.
bool StartsWithSerialOf(const uint8_t* text, const RAID_CONTROLLER& owner) {
    const size_t length = SerialLengthOf(owner);
    return length > 0 && std::memcmp(text, owner.controller.serialNumber, length) == 0;
}

// Entry `other` names `owner` as its mate.
bool NamesAsMate(const RAID_CONTROLLER& other, const RAID_CONTROLLER& owner) {
    return StartsWithSerialOf(other.controller.failover.otherSerialNumber, owner);
}

bool Responds(const RAID_CONTROLLER& entry) { return ProcessorDeviceOf(entry).responds != 0; }

// The placeholder at i takes over the real controller at j whole; j's buffers now belong to i.
void OverwritePlaceholder(int32_t i, int32_t j) {
    DebugPrint("overwrite controller %d <- %d\n", i, j);
    RAID_CONTROLLER& target = Entry(i);
    RAID_CONTROLLER& source = Entry(j);
    DropPartViewCache(target);  // the placeholder's own cache would otherwise be lost
    std::memcpy(static_cast<void*>(&target), &source, sizeof(RAID_CONTROLLER));
    PointIoBlockAt(target, &target.controllerContext);
    target.controllerHandle = Context2Handle(&target.controllerContext);
    source.rawCapiBuffer = nullptr;
    source.rawEventBuffer = nullptr;
    source.partViewCache = nullptr;
    source.partViewCacheCount = 0;
}

// j reaches the same controller as i over a better path: i keeps its entry and takes j's path.
bool BetterPath(const RAID_CONTROLLER& i, const RAID_CONTROLLER& j) {
    const PROCESSOR_DEVICE& di = ProcessorDeviceOf(i);
    const PROCESSOR_DEVICE& dj = ProcessorDeviceOf(j);
    return (!di.responds && dj.responds) || (di.lun != 0 && dj.lun == 0 && dj.responds);
}

void MergeDuplicate(int32_t i, int32_t j) {
    if (Entry(i).isPartner == 1 && Entry(j).isPartner != 1) {
        OverwritePlaceholder(i, j);
    } else if (BetterPath(Entry(i), Entry(j))) {
        DebugPrint("replace controller %d <- %d\n", i, j);
        ProcessorDeviceOf(Entry(i)) = ProcessorDeviceOf(Entry(j));
        SetResponds(Entry(i).controllerHandle, 1);
    }
    RemoveController(j);
}

// One pass over all pairs; true when it merged something.
bool MergePass() {
    for (int32_t i = 0; i + 1 < Count(); ++i) {
        for (int32_t j = i + 1; j < Count(); ++j) {
            if (StartsWithSerialOf(Entry(j).controller.serialNumber, Entry(i))) {
                MergeDuplicate(i, j);
                return true;
            }
        }
    }
    return false;
}

// The other controller of the pair: failoverId and device id swapped (A 1 <-> B 0).
uint8_t OtherSide(uint8_t failoverId) { return failoverId == 0 ? 1 : 0; }

}  // namespace

void RemoveDuplicatedController(int allowDuplicates) {
    if (allowDuplicates || g_NumControllers < 2) {
        return;
    }
    while (MergePass()) {
    }
}

void AddPartner() {
    const int32_t existing = Count();
    for (int32_t i = 0; i < existing; ++i) {
        const RAID_CONTROLLER& real = Entry(i);
        bool hasMate = false;
        for (int32_t k = 0; k < Count() && !hasMate; ++k) {
            hasMate = k != i && NamesAsMate(Entry(k), real);
        }
        const uint8_t failoverId = real.controller.failover.failoverId;
        if (hasMate || failoverId > 1 || g_NumControllers >= CONTROLLER_DB_SIZE) {
            continue;
        }
        RAID_CONTROLLER& copy = g_ControllerDb[g_NumControllers];
        std::memcpy(static_cast<void*>(&copy), &Entry(i), sizeof(RAID_CONTROLLER));
        copy.controller.failover.failoverId = OtherSide(failoverId);
        ProcessorDeviceOf(copy).id = OtherSide(failoverId);
        copy.isPartner = 1;
        copy.rawCapiBuffer = nullptr;
        copy.rawEventBuffer = nullptr;
        // The partition-view cache stays with the real entry: a shared pointer would be freed twice.
        copy.partViewCache = nullptr;
        copy.partViewCacheCount = 0;
        ++g_NumControllers;
    }
}

void replaceDeadDevices() {
    for (int32_t i = 0; i < Count(); ++i) {
        for (int32_t j = 0; j < Count(); ++j) {
            RAID_CONTROLLER& a = Entry(i);
            RAID_CONTROLLER& b = Entry(j);
            if (i == j || a.isPartner == 1 || b.isPartner == 1 || !NamesAsMate(b, a)) {
                continue;
            }
            if (Responds(a) && !Responds(b)) {
                SetPartner(j, i);
            } else if (!Responds(a) && Responds(b)) {
                SetPartner(i, j);
            }
        }
    }
}

void SetPartner(int32_t bad, int32_t good) {
    if (!InUse(bad) || !InUse(good) || bad == good) {
        return;
    }
    RAID_CONTROLLER& badEntry = Entry(bad);
    RAID_CONTROLLER& goodEntry = Entry(good);
    PROCESSOR_DEVICE& badDevice = ProcessorDeviceOf(badEntry);
    PROCESSOR_DEVICE& goodDevice = ProcessorDeviceOf(goodEntry);
    DebugPrint("SetPartner goodController=%d badController=%d sn=%.*s\n", good, bad,
               static_cast<int>(SerialLengthOf(badEntry)), SerialTextOf(badEntry));
    DebugPrint("before: goodController=%d AB=%d badController=%d AB=%d \n", good, goodDevice.id, bad,
               badDevice.id);
    badDevice = goodDevice;
    const uint8_t goodSide = goodEntry.controller.failover.failoverId;
    if (goodSide <= 1) {
        badEntry.controller.failover.failoverId = OtherSide(goodSide);
        goodDevice.id = goodSide;
        badDevice.id = OtherSide(goodSide);
    }
    DebugPrint("after: goodController=%d AB=%d badController=%d AB=%d \n", good, goodDevice.id, bad,
               badDevice.id);
    FreeController(bad);
    badEntry.isPartner = 1;
    badEntry.lastLoggedSequenceNumber = goodEntry.lastLoggedSequenceNumber;
    badEntry.lastReceivedSequenceNumber = goodEntry.lastReceivedSequenceNumber;
    badEntry.pCapiBuffer = goodEntry.pCapiBuffer;
    badEntry.pEventBuffer = goodEntry.pEventBuffer;
    badEntry.controllerHandle = goodEntry.controllerHandle;
    PointIoBlockAt(badEntry, &goodEntry.controllerContext);
}
