// The session's capture file "HOT_<client>" and the time-stamp text of the command log lines.
#include <cinttypes>

#include "corlink/foundation/log.h"
#include "corlink/server/hotlink.h"
#include "corlink/server/socket.h"
#include "platform/files/files.h"
#include "platform/kernel/sync.h"
#include "platform/time/system_time.h"

namespace {

// The local time as asctime writes it: "Thu Dec 10 12:28:36 2026\n".
std::string AscTimeText(const SYSTEMTIME& t) {
    static constexpr const char* kDays[7] = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
    static constexpr const char* kMonths[12] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                                "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
    char text[64];
    std::snprintf(text, sizeof text, "%.3s %.3s%3d %.2d:%.2d:%.2d %d\n", kDays[t.wDayOfWeek % 7],
                  kMonths[(t.wMonth + 11) % 12], t.wDay, t.wHour, t.wMinute, t.wSecond, t.wYear);
    return text;
}

}  // namespace

std::string GetTimeStampText() {
    SYSTEMTIME t{};
    GetLocalTime(&t);
    char text[48];
    std::snprintf(text, sizeof text, "%d/%d %02d:%02d:%02d.%03d", t.wMonth, t.wDay, t.wHour, t.wMinute,
                  t.wSecond, static_cast<int>(GetTickCount() % 1000));
    return text;
}

void CHotLink::OpenCapture() {
    m_ClientNumber = static_cast<int>(m_pSocket->GetPeerIPv4() & 0xFF);
    char name[32];
    std::snprintf(name, sizeof name, "HOT_%d", m_ClientNumber);
    // Sessions from peers with the same last octet share the name: each new one truncates the last's.
    m_fDumpHandle = platform::OpenFile(name, "w");
    if (m_fDumpHandle != nullptr) {
        SYSTEMTIME now{};
        GetLocalTime(&now);
        std::fprintf(m_fDumpHandle, "\nCapture connection of %d on %s m_fDumpHandle=%08" PRIxPTR,
                     m_ClientNumber, AscTimeText(now).c_str(), reinterpret_cast<uintptr_t>(m_fDumpHandle));
        std::fflush(m_fDumpHandle);
    }
    DebugPrint("Processing message for client: %d on", m_ClientNumber);
}

void CHotLink::CloseCapture() {
    if (m_fDumpHandle != nullptr) std::fclose(m_fDumpHandle);
    m_fDumpHandle = nullptr;
    DebugPrint("End processing message for client: %d\n", m_ClientNumber);
}
