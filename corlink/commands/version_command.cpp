#include "corlink/commands/version_command.h"

#include <algorithm>
#include <cstring>

#include "corlink/foundation/nt_os.h"

namespace {

constexpr uint32_t kVersionAt = 8;
constexpr uint8_t kVersion[4] = {1, 0, 0, 0};
constexpr uint32_t kSystemTextAt = 12;
constexpr uint32_t kProcessorTextAt = 44;
constexpr uint32_t kTextField = 32;  // each text at most 31 characters and a NUL
constexpr int32_t kReplyLength = 76;

void PutText(uint8_t* field, const char* text, size_t size) {
    std::memcpy(field, text, strnlen(text, size));
}

int32_t RunGetVersion(CommandContext& c) {
    std::memset(c.buffer, 0, kReplyLength);
    OS_SYSINFO info{};
    os_GetSystemInfo(&info);
    std::memcpy(c.buffer + kVersionAt, kVersion, sizeof kVersion);
    PutText(c.buffer + kSystemTextAt, info.osName, std::min<size_t>(sizeof info.osName, kTextField - 1));
    PutText(c.buffer + kProcessorTextAt, info.processorName, std::min<size_t>(sizeof info.processorName, kTextField - 1));
    c.replyLength = kReplyLength;
    return 0;
}

}  // namespace

const FramedCommand kGetVersion{Lookup::None, FirstRead::None, false, nullptr, RunGetVersion, false, " %s\n"};
