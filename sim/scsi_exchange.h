// One SCSI command as a simulated LUN receives it, and what the LUN answers, free of any host
// interface's byte layout.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <vector>

namespace sim {

struct ScsiRequest {
    const uint8_t* cdb = nullptr;
    uint8_t cdbLength = 0;
    bool dataIn = true;       // data from the LUN to the host
    uint8_t* data = nullptr;  // the host's buffer (may be null when length is 0)
    uint32_t length = 0;
    uint32_t timeoutSeconds = 0;  // as the host asked for it
};

constexpr uint8_t SCSI_STATUS_GOOD = 0x00;
constexpr uint8_t SCSI_STATUS_CHECK_CONDITION = 0x02;
constexpr uint8_t SCSI_STATUS_RESERVATION_CONFLICT = 0x18;
constexpr uint32_t SCSI_FIXED_SENSE_LENGTH = 18;

struct ScsiOutcome {
    uint8_t status = SCSI_STATUS_GOOD;
    std::array<uint8_t, SCSI_FIXED_SENSE_LENGTH> sense{};
    uint8_t senseLength = 0;
    uint32_t transferred = 0;
    // Non-zero: the command never completed and the host's I/O control fails with this Windows error.
    uint32_t hostError = 0;
};

ScsiOutcome GoodOutcome(uint32_t transferred);
// CHECK CONDITION with fixed-format sense data.
ScsiOutcome CheckCondition(uint8_t senseKey, uint8_t asc, uint8_t ascq);
// Another status than CHECK CONDITION that still carries fixed-format sense data.
ScsiOutcome StatusWithSense(uint8_t status, uint8_t senseKey, uint8_t asc, uint8_t ascq);
ScsiOutcome HostFailure(uint32_t windowsError);

// Operation codes and sense data the simulated LUNs use.
constexpr uint8_t SCSI_OP_TEST_UNIT_READY = 0x00;
constexpr uint8_t SCSI_OP_INQUIRY = 0x12;
constexpr uint8_t SCSI_OP_SYNCHRONIZE_CACHE = 0x35;
constexpr uint8_t SCSI_OP_WRITE_BUFFER = 0x3B;
constexpr uint8_t SCSI_OP_READ_BUFFER = 0x3C;

constexpr uint8_t SENSE_KEY_ILLEGAL_REQUEST = 0x05;
constexpr uint8_t ASC_INVALID_OPCODE = 0x20;
constexpr uint8_t ASC_INVALID_FIELD_IN_CDB = 0x24;

ScsiOutcome InvalidOpcode();
ScsiOutcome InvalidFieldInCdb();

// Copies an answer into the host's buffer, bounded by the buffer and by the allocation length.
ScsiOutcome ReturnData(const ScsiRequest& request, const uint8_t* answer, uint32_t answerLength,
                       uint32_t allocationLength);

// Answers an INQUIRY from the LUN's data: `data` gives the standard data (evpd false) or a page (empty
// when the LUN does not have it, which the LUN refuses as an invalid CDB field).
ScsiOutcome AnswerInquiry(const ScsiRequest& request,
                          const std::function<std::vector<uint8_t>(bool evpd, uint8_t page)>& data);

}  // namespace sim
