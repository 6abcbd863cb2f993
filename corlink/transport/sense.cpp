#include "corlink/transport/sense.h"

#include <algorithm>
#include <iterator>

#include "corlink/capi_wire/management_lun.h"
#include "corlink/foundation/log.h"

namespace {

struct StatusName {
    uint8_t status;
    const char* name;
};

constexpr StatusName kStatusNames[] = {
    // clang-format off
    {0x00, "GOOD\n"},
    {0x02, "CHECK CONDITION\n"},
    {0x04, "CONDITION MET\n"},
    {0x08, "BUSY\n"},
    {0x10, "INTERMEDIATE\n"},
    {0x14, "INTERMEDIATE - CONDITION MET\n"},
    {0x18, "RESERVATION CONFLICT\n"},
    {0x28, "TASK SET FULL\n"},
    {0x30, "ACA ACTIVE\n"},
    {0x40, "TASK ABORTED\n"},
    // clang-format on
};

// Indexed by sense key; key 0xF has no line.
constexpr const char* kSenseKeyLines[] = {
    "Sense Key 0 = No Sense \n",        "Sense Key 1 = Recovered \n",
    "Sense Key 2 = Drive Not Ready \n", "Sense Key 3 = Medium Error \n",
    "Sense Key 4 = Hardware Error \n",  "Sense Key 5 = Illegal Request \n",
    "Sense Key 6 = Unit Attention \n",  "Sense Key 7 = Write Protected \n",
    "Sense Key 8 = Blank Check \n",     "Sense Key 9 = Vendor Unique \n",
    "Sense Key xA = Copy Abort \n",     "Sense Key xB = Aborted Command \n",
    "Sense Key xC = Equal \n",          "Sense Key xD = Volume Overflow \n",
    "Sense Key xE = Miscompare \n",
};

constexpr uint8_t kOpTestUnitReady = 0x00;

// The sense bytes that came back, never more than the sense buffer holds.
uint32_t ReturnedSenseLength(const SCSI_REQUEST_BLOCK* block) {
    return std::min<uint32_t>(block->sptd.SenseInfoLength, SCSI_SENSE_BUFFER_LENGTH);
}

}  // namespace

int findScsiError(const SCSI_REQUEST_BLOCK* block) {
    if (ReturnedSenseLength(block) == 0) {
        DebugPrint("findScsiError: SenseInfoLength = 0\n");
        return SCSI_RESULT_RESERVATION_CONFLICT;
    }
    const uint8_t key = block->sense[2] & 0x0F;
    const uint8_t asc = block->sense[12];
    const uint8_t ascq = block->sense[13];
    if (key == MANAGEMENT_LUN_REPLY_WAITING_SENSE_KEY && asc == MANAGEMENT_LUN_REPLY_WAITING_ASC &&
        ascq == MANAGEMENT_LUN_REPLY_WAITING_ASCQ) {
        DebugPrint("findScsiError: ASC=3B && ASCQ=05 is 'Paper Jam' - buffer R/W sequence wrong\n");
        return SCSI_RESULT_PAPER_JAM;
    }
    if (key == MANAGEMENT_LUN_RESET_SENSE_KEY && asc == MANAGEMENT_LUN_RESET_ASC) {
        DebugPrint(
            "findScsiError: ASC=29 is 'SCSI Reset or Power Up occurred' - caller should retry the op\n");
        return SCSI_RESULT_RESET;
    }
    if (block->sptd.Cdb[0] == kOpTestUnitReady && key == 2 && asc == 0x04 && ascq == 0x03) {
        DebugPrint(
            "findScsiEror: ASC=04 && ASCQ=03 is 'Offline Array' - TUR ignores this Not Ready and reports "
            "Good status.\n");
        return SCSI_RESULT_GOOD;
    }
    DebugPrint("findScsiError: Non-specific SCSI error\n");
    return SCSI_RESULT_ERROR;
}

void LogScsiStatus(const SCSI_REQUEST_BLOCK* block) {
    const uint8_t status = block->sptd.ScsiStatus;
    const char* name = "Unknown/Reserved value\n";
    for (const StatusName& s : kStatusNames) {
        if (s.status == status) name = s.name;
    }
    DebugPrint("SCSI status: %02Xh = %s", status, name);
    const uint32_t senseLength = ReturnedSenseLength(block);
    if (senseLength == 0) return;
    const uint8_t key = block->sense[2] & 0x0F;
    if (key < std::size(kSenseKeyLines)) DebugPrint("%s", kSenseKeyLines[key]);
    DebugPrint("Addl Sense       = %X\n", block->sense[12]);
    DebugPrint("Addl Sense Qual  = %X\n", block->sense[13]);
    DebugPrint("Sense Info -- consult SCSI spec for details\n");
    DebugPrint("-------------------------------------------\n");
    for (uint32_t i = 0; i < senseLength; ++i) DebugPrint("%02X ", block->sense[i]);
    DebugPrint("\n\n");
}
