// Reporting of the calling thread's last Windows error by the SCSI command layer.
#pragma once

// Logs the last error with the system's text; errors 1, 2 and 55 mark the device gone, and errors 87 and 1
// raise the transfer-size event-log error once per run.
void ReportWindowsError();
