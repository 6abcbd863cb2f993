#include "sim/scsi_exchange.h"

#include <algorithm>
#include <cstring>

namespace sim {

ScsiOutcome GoodOutcome(uint32_t transferred) {
    ScsiOutcome outcome;
    outcome.transferred = transferred;
    return outcome;
}

ScsiOutcome CheckCondition(uint8_t senseKey, uint8_t asc, uint8_t ascq) {
    return StatusWithSense(SCSI_STATUS_CHECK_CONDITION, senseKey, asc, ascq);
}

ScsiOutcome StatusWithSense(uint8_t status, uint8_t senseKey, uint8_t asc, uint8_t ascq) {
    ScsiOutcome outcome;
    outcome.status = status;
    outcome.sense[0] = 0x70;  // current error, fixed format
    outcome.sense[2] = senseKey;
    outcome.sense[7] = SCSI_FIXED_SENSE_LENGTH - 8;
    outcome.sense[12] = asc;
    outcome.sense[13] = ascq;
    outcome.senseLength = SCSI_FIXED_SENSE_LENGTH;
    return outcome;
}

ScsiOutcome HostFailure(uint32_t windowsError) {
    ScsiOutcome outcome;
    outcome.hostError = windowsError;
    return outcome;
}

ScsiOutcome InvalidOpcode() { return CheckCondition(SENSE_KEY_ILLEGAL_REQUEST, ASC_INVALID_OPCODE, 0); }

ScsiOutcome InvalidFieldInCdb() {
    return CheckCondition(SENSE_KEY_ILLEGAL_REQUEST, ASC_INVALID_FIELD_IN_CDB, 0);
}

ScsiOutcome ReturnData(const ScsiRequest& request, const uint8_t* answer, uint32_t answerLength,
                       uint32_t allocationLength) {
    uint32_t count = std::min({answerLength, allocationLength, request.length});
    if (request.data == nullptr) count = 0;
    if (count > 0) std::memcpy(request.data, answer, count);
    return GoodOutcome(count);
}

ScsiOutcome AnswerInquiry(const ScsiRequest& request,
                          const std::function<std::vector<uint8_t>(bool evpd, uint8_t page)>& data) {
    if (request.cdbLength < 6 || !request.dataIn) return InvalidFieldInCdb();
    const bool evpd = (request.cdb[1] & 0x01) != 0;
    const uint8_t page = request.cdb[2];
    if (!evpd && page != 0) return InvalidFieldInCdb();
    const uint32_t allocation = static_cast<uint32_t>(request.cdb[3]) << 8 | request.cdb[4];
    const std::vector<uint8_t> answer = data(evpd, page);
    if (answer.empty()) return InvalidFieldInCdb();
    return ReturnData(request, answer.data(), static_cast<uint32_t>(answer.size()), allocation);
}

}  // namespace sim
