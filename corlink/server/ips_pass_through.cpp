#include "corlink/server/ips_pass_through.h"

#include <atomic>

namespace {

uint32_t NoController(const uint8_t*, uint32_t, uint8_t*, uint32_t) { return 0; }

// One pass-through per process, installed by the CAPI library at its start.
std::atomic<IpsPassThroughFn> g_IpsPassThrough{&NoController};

}  // namespace

uint32_t IpsPassThrough(const uint8_t* request, uint32_t requestLength, uint8_t* reply,
                        uint32_t replyCapacity) {
    return g_IpsPassThrough.load()(request, requestLength, reply, replyCapacity);
}

void SetIpsPassThrough(IpsPassThroughFn passThrough) {
    g_IpsPassThrough.store(passThrough != nullptr ? passThrough : &NoController);
}
