#include "corlink/handlers/version_command.h"

#include <algorithm>
#include <cstring>

#include "corlink/foundation/nt_os.h"
#include "corlink/proxy_wire/buffers_controller.h"

namespace {

constexpr uint8_t kVersion[4] = {1, 0, 0, 0};
constexpr int32_t kReplyLength = sizeof(RRE_VERSION_BUFFER);

// Each text at most the field's length less one characters, and a NUL.
template <size_t N>
void PutText(char (&field)[N], const char* text, size_t size) {
    std::memcpy(field, text, strnlen(text, std::min(size, N - 1)));
}

int32_t RunGetVersion(CommandContext& c) {
    std::memset(c.buffer, 0, kReplyLength);
    OS_SYSINFO info{};
    os_GetSystemInfo(&info);
    auto* reply = rre_wire::BufferAs<RRE_VERSION_BUFFER>(c.buffer);
    static_assert(sizeof kVersion == sizeof reply->version);
    std::memcpy(reply->version, kVersion, sizeof kVersion);
    PutText(reply->systemText, info.osName, sizeof info.osName);
    PutText(reply->processorText, info.processorName, sizeof info.processorName);
    c.replyLength = kReplyLength;
    return 0;
}

}  // namespace

const FramedCommand kGetVersion{Lookup::None, FirstRead::None, false, nullptr, RunGetVersion, false, " %s\n"};
