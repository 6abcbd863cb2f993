#include "provider/host/pass_through_log.h"

#include <algorithm>

#include "platform/kernel/last_error.h"
#include "provider/controllers/debug_log.h"
#include "provider/controllers/provider_events.h"

void printPassThroughResult(BOOL callSucceeded, DWORD bytesReturned, const BVSS_PassThroughBuffer& buffer,
                            DWORD dumpLength) {
    if (!callSucceeded) {
        const DWORD error = GetLastError();
        BVSS_DebugPrint(L"Error: %d  ", error);
        printWindowsError(error);
        return;
    }
    if (buffer.Request.ScsiStatus != 0) {
        printSenseInfo(buffer);
        return;
    }
    BVSS_DebugPrint(L"Scsi status: %02Xh, Bytes returned: %Xh, ", buffer.Request.ScsiStatus, bytesReturned);
    BVSS_DebugPrint(L"Data buffer length: %Xh\n\n\n", buffer.Request.DataTransferLength);
    printHexDump(reinterpret_cast<const BYTE*>(&buffer),
                 std::min<DWORD>(dumpLength, static_cast<DWORD>(sizeof buffer)));
}

void printSenseInfo(const BVSS_PassThroughBuffer& buffer) {
    BVSS_DebugPrint(L"Scsi status: %02Xh\n\n", buffer.Request.ScsiStatus);
    if (buffer.Request.SenseInfoLength == 0) return;
    BVSS_DebugPrint(L"Sense Info -- consult SCSI spec for details\n");
    BVSS_DebugPrint(L"-------------------------------------------------------------\n");
    const BYTE count = std::min(buffer.Request.SenseInfoLength, kPassThroughSenseBytes);
    WCHAR line[3 * kPassThroughSenseBytes + 1] = {};
    for (BYTE i = 0; i < count; ++i) BVSS_FormatText(line + 3 * i, 4, L"%02X ", buffer.Sense[i]);
    BVSS_DebugPrint(L"%s\n\n", line);
}

void printHexDump(const BYTE* bytes, DWORD length) {
    BVSS_DebugPrint(L"      00  01  02  03  04  05  06  07   08  09  0A  0B  0C  0D  0E  0F\n");
    BVSS_DebugPrint(L"      ---------------------------------------------------------------\n");
    // One log call a line: " 010  10  11 ...  17   18 ...  1F   \n".
    constexpr size_t kLineChars = 96;
    for (DWORD start = 0; start < length; start += 16) {
        WCHAR line[kLineChars] = {};
        size_t used = 0;
        const DWORD end = std::min<DWORD>(length, start + 16);
        int written = BVSS_FormatText(line, kLineChars, L" %03X  ", start);
        for (DWORD i = start; i < end && written > 0; ++i) {
            used += static_cast<size_t>(written);
            const bool wider = i - start == 7 || i - start == 15;
            written =
                BVSS_FormatText(line + used, kLineChars - used, wider ? L"%02X   " : L"%02X  ", bytes[i]);
        }
        BVSS_DebugPrint(end - start == 16 ? L"%s\n" : L"%s", line);
    }
    BVSS_DebugPrint(L"\n\n");
}
