#include "corlink/transport/scsi_cdb.h"

#include <algorithm>
#include <cstring>
#include <iterator>

namespace {

// Indexed by command type. WRITE BUFFER and READ BUFFER use mode 1, buffer id 0 and offset 0.
constexpr ScsiCommandInfo kCommands[] = {
    // clang-format off
    {"TUR", 6, {0x00, 0x00, 0x00, 0x00, 0x00, 0x00}, false, ScsiLengthField::None},
    {"Inq", 6, {0x12, 0x00, 0x00, 0x00, 0x00, 0x00}, false, ScsiLengthField::Byte4},
    {"Inq83", 6, {0x12, 0x01, 0x83, 0x00, 0x00, 0x00}, false, ScsiLengthField::Byte4},
    {"WrtBuf",
     10,
     {0x3B, 0x01, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00},
     true,
     ScsiLengthField::Bytes6To8},
    {"RdBuf",
     10,
     {0x3C, 0x01, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00},
     false,
     ScsiLengthField::Bytes6To8},
    {"InqD0", 6, {0x12, 0x01, 0xD0, 0x00, 0x00, 0x00}, false, ScsiLengthField::Byte4},
    {"Inq80", 6, {0x12, 0x01, 0x80, 0x00, 0x00, 0x00}, false, ScsiLengthField::Byte4},
    // clang-format on
};

}  // namespace

const ScsiCommandInfo* FindScsiCommand(uint32_t commandType) {
    return commandType < std::size(kCommands) ? &kCommands[commandType] : nullptr;
}

uint32_t CutScsiTransferLength(const ScsiCommandInfo& command, uint32_t dataLength) {
    switch (command.lengthField) {
        case ScsiLengthField::None: return 0;
        case ScsiLengthField::Byte4: return std::min(dataLength, SCSI_MAX_INQUIRY_LENGTH);
        case ScsiLengthField::Bytes6To8: return std::min(dataLength, SCSI_MAX_TRANSFER_LENGTH);
    }
    return 0;
}

void FillScsiCdb(const ScsiCommandInfo& command, uint32_t length, uint8_t cdb[16]) {
    std::memset(cdb, 0, 16);
    std::memcpy(cdb, command.cdb, command.cdbLength);
    if (command.lengthField == ScsiLengthField::Byte4) {
        cdb[4] = static_cast<uint8_t>(length);
    } else if (command.lengthField == ScsiLengthField::Bytes6To8) {
        cdb[6] = static_cast<uint8_t>(length >> 16);
        cdb[7] = static_cast<uint8_t>(length >> 8);
        cdb[8] = static_cast<uint8_t>(length);
    }
}
