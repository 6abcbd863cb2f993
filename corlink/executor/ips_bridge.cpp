#include "corlink/executor/ips_bridge.h"

#include <cstring>
#include <vector>

#include "corlink/capi/passthrough.h"
#include "corlink/executor/executor_state.h"
#include "corlink/foundation/console_text.h"
#include "corlink/foundation/nt_os.h"

namespace {

// The library's pass-through buffers, made on the first pass and kept; used only under the mutex.
struct PassThroughBuffers {
    std::vector<uint8_t> request;
    std::vector<uint8_t> reply;
};

PassThroughBuffers& Buffers() {
    static PassThroughBuffers buffers;
    if (buffers.request.empty()) {
        buffers.request.resize(CAPI_PASS_THROUGH_BUFFER_SIZE);
        buffers.reply.resize(CAPI_PASS_THROUGH_BUFFER_SIZE);
    }
    return buffers;
}

}  // namespace

uint32_t RreIpsPassThrough(const uint8_t* request, uint32_t requestLength, uint8_t* reply,
                           uint32_t replyCapacity) {
    if (request == nullptr || reply == nullptr || requestLength > CAPI_PASS_THROUGH_BUFFER_SIZE) return 0;
    if (g_StateChangeMutex == nullptr) return 0;
    ConsoleFlushDeferral afterRelease;  // the pass's console lines leave once the mutex is released
    if (!TakeStateChangeMutex()) return 0;
    PassThroughBuffers& buffers = Buffers();
    // Bytes past the client's packet are zero, whatever length its header claims.
    std::memcpy(buffers.request.data(), request, requestLength);
    std::memset(buffers.request.data() + requestLength, 0, buffers.request.size() - requestLength);
    g_PassThrough.request = buffers.request.data();
    g_PassThrough.reply = buffers.reply.data();
    g_PassThrough.replyLength = 0;
    CAPI_PassThrough();
    uint32_t length = g_PassThrough.replyLength;
    if (length > replyCapacity || length > buffers.reply.size()) length = 0;
    std::memcpy(reply, buffers.reply.data(), length);
    g_PassThrough.request = nullptr;
    g_PassThrough.reply = nullptr;
    os_ReleaseMutex(g_StateChangeMutex);
    return length;
}
