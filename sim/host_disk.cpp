#include "sim/host_disk.h"

#include "sim/inquiry_data.h"

namespace sim {

ScsiOutcome ExecuteHostDiskCommand(const StorageSystem& system, const Volume& volume, const ScsiRequest& request) {
    if (request.cdbLength == 0 || request.cdb == nullptr) return InvalidOpcode();
    switch (request.cdb[0]) {
        case SCSI_OP_TEST_UNIT_READY:
        case SCSI_OP_SYNCHRONIZE_CACHE:
            return GoodOutcome(0);
        case SCSI_OP_INQUIRY:
            return AnswerInquiry(request, [&](bool evpd, uint8_t page) {
                return evpd ? HostDiskVpd(volume, page) : HostDiskInquiry(system);
            });
        default:
            return InvalidOpcode();
    }
}

}  // namespace sim
