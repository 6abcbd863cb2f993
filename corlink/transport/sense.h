// Classification and logging of a SCSI command that ended with a bad status.
#pragma once

#include "corlink/transport/scsi_request.h"

// Results of a SCSI command (sendScsiCommand and its wrappers).
constexpr int SCSI_RESULT_GOOD = 0;
constexpr int SCSI_RESULT_RESERVATION_CONFLICT = 1;  // also a bad status without sense data
constexpr int SCSI_RESULT_PAPER_JAM = 2;             // sense 5/3B/05: buffer read/write out of sequence
constexpr int SCSI_RESULT_RESET = 3;                 // sense 6/29: reset or power-up, retry
constexpr int SCSI_RESULT_ERROR = 4;                 // any other SCSI error
constexpr int SCSI_RESULT_IOCTL_FAILED = 5;
constexpr int SCSI_RESULT_OPEN_FAILED = 6;
constexpr int SCSI_RESULT_BAD_COMMAND = 7;  // unknown command type, or a write while stopping

// Classifies a request block whose SCSI status was bad by its sense data; 0 to 4, logged.
int findScsiError(const SCSI_REQUEST_BLOCK* block);
// Logs the SCSI status by name and, when sense bytes came back, the sense key, codes and bytes.
void LogScsiStatus(const SCSI_REQUEST_BLOCK* block);
