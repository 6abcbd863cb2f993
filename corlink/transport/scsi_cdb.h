// The SCSI commands the proxy sends to a management LUN: their log names, CDBs and data directions.
#pragma once

#include <cstdint>

constexpr uint32_t SCSI_CMD_TEST_UNIT_READY = 0;
constexpr uint32_t SCSI_CMD_INQUIRY = 1;
constexpr uint32_t SCSI_CMD_INQUIRY_PAGE_83 = 2;
constexpr uint32_t SCSI_CMD_WRITE_BUFFER = 3;
constexpr uint32_t SCSI_CMD_READ_BUFFER = 4;
constexpr uint32_t SCSI_CMD_INQUIRY_PAGE_D0 = 5;
constexpr uint32_t SCSI_CMD_INQUIRY_PAGE_80 = 6;

// The largest transfer of one command: one whole CAPI packet (header and the largest reply part).
constexpr uint32_t SCSI_MAX_TRANSFER_LENGTH = 0x40050;
// The largest allocation length of an INQUIRY (one CDB byte).
constexpr uint32_t SCSI_MAX_INQUIRY_LENGTH = 0xFF;

enum class ScsiLengthField : uint8_t {
    None,       // no data
    Byte4,      // one-byte allocation length in CDB byte 4
    Bytes6To8,  // 24-bit transfer length in CDB bytes 6-8, most significant first
};

struct ScsiCommandInfo {
    const char* logName;
    uint8_t cdbLength;
    uint8_t cdb[10];  // with the length field zero
    bool dataOut;     // only WRITE BUFFER; every other command is issued data-in
    ScsiLengthField lengthField;
};

// The command of a type, or null for an unknown type.
const ScsiCommandInfo* FindScsiCommand(uint32_t commandType);
// The length the command is issued with: cut to SCSI_MAX_TRANSFER_LENGTH, and to 0xFF for INQUIRY types;
// 0 for a command without data.
uint32_t CutScsiTransferLength(const ScsiCommandInfo& command, uint32_t dataLength);
// Writes the command's CDB with the (cut) length into cdb (16 bytes, the rest zeroed).
void FillScsiCdb(const ScsiCommandInfo& command, uint32_t length, uint8_t cdb[16]);
