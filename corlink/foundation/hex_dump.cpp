#include "corlink/foundation/hex_dump.h"

#include <atomic>
#include <cstdio>
#include <ctime>

#include "corlink/foundation/log_internal.h"
#include "corlink/foundation/log_switches.h"
#include "platform/windows_api.h"

namespace {

constexpr uint32_t kPacketHeaderBytes = 80;
std::atomic<int> headerOnlyScopes{0};

bool IsFillRow(const uint8_t* row) {
    for (int i = 0; i < 16; ++i) {
        if (row[i] != 0x00 && row[i] != 0xCD) return false;
    }
    return true;
}

void WriteCharacters(FILE* f, const uint8_t* bytes, uint32_t count) {
    for (uint32_t i = 0; i < count; ++i) std::fputc(bytes[i] >= 0x21 && bytes[i] <= 0x7E ? bytes[i] : '.', f);
}

}  // namespace

void HexDump(const char* title, const void* data, uint32_t length) {
    FILE* f = DebugLogFile();
    if (f == nullptr || !g_HexDumpsToFile || data == nullptr) return;
    DebugLogHold hold;
    const auto* bytes = static_cast<const uint8_t*>(data);
    std::fprintf(f, "====== %s ====== %d\n", title, static_cast<int>(length));
    for (uint32_t offset = 0; offset < length; offset += 16) {
        uint32_t rowLength = length - offset < 16 ? length - offset : 16;
        if (rowLength == 16 && IsFillRow(bytes + offset)) continue;
        std::fprintf(f, "%08X ", offset);
        for (uint32_t i = 0; i < rowLength; ++i) std::fprintf(f, "%02X ", bytes[offset + i]);
        for (uint32_t i = rowLength; i < 16; ++i) std::fputs("   ", f);
        WriteCharacters(f, bytes + offset, rowLength);
        std::fputc('\n', f);
    }
    std::fputc('\n', f);
    if (length % 16 == 0) std::fputc('\n', f);
    std::fflush(f);
}

void DumpPacket(int direction, const void* data, uint32_t length) {
    SYSTEMTIME t;
    GetLocalTime(&t);
    long processMs = static_cast<long>(std::clock() * 1000 / CLOCKS_PER_SEC) % 1000;
    char title[128];
    std::snprintf(title, sizeof title, "%s%d/%d %02d:%02d:%02d.%03ld",
                  direction == 1 ? "Send at " : "Receive at ", t.wMonth, t.wDay, t.wHour, t.wMinute,
                  t.wSecond, processMs);
    if (headerOnlyScopes.load() > 0 && length > kPacketHeaderBytes) length = kPacketHeaderBytes;
    HexDump(title, data, length);
}

HeaderOnlyPacketDumps::HeaderOnlyPacketDumps() { ++headerOnlyScopes; }
HeaderOnlyPacketDumps::~HeaderOnlyPacketDumps() { --headerOnlyScopes; }
