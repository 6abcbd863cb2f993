#include "sim/host_disk.h"

#include "sim/inquiry_data.h"

namespace sim {

namespace {

template <class Inquiry>
ScsiOutcome ExecuteDiskCommand(const ScsiRequest& request, const Inquiry& inquiry) {
    if (request.cdbLength == 0 || request.cdb == nullptr) return InvalidOpcode();
    switch (request.cdb[0]) {
        case SCSI_OP_TEST_UNIT_READY:
        case SCSI_OP_SYNCHRONIZE_CACHE: return GoodOutcome(0);
        case SCSI_OP_INQUIRY: return AnswerInquiry(request, inquiry);
        default: return InvalidOpcode();
    }
}

}  // namespace

ScsiOutcome ExecuteHostDiskCommand(const StorageSystem& system, const Partition& partition,
                                   const ScsiRequest& request) {
    return ExecuteDiskCommand(request, [&](bool evpd, uint8_t page) {
        return evpd ? HostDiskVpd(partition.serial, page, true) : HostDiskInquiry(system);
    });
}

ScsiOutcome ExecuteLocalDiskCommand(const LocalDisk& disk, const ScsiRequest& request) {
    return ExecuteDiskCommand(request, [&](bool evpd, uint8_t page) {
        return evpd ? HostDiskVpd(disk.serial, page, false) : LocalDiskInquiry(disk);
    });
}

}  // namespace sim
