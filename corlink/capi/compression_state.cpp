#include "corlink/capi/compression_state.h"

#include <atomic>

namespace {

// Set by the library's user and read by each command; atomics keep a late setter from tearing a read.
std::atomic<uint8_t*> g_CompressionBuffer{nullptr};
std::atomic<uint8_t> g_CompressionEnabled{0};

}  // namespace

int CAPI_SetCompressionBuffer(uint8_t* buffer) {
    g_CompressionBuffer = buffer;
    return 0;
}

int CAPI_EnableCompression(uint8_t enable) {
    g_CompressionEnabled = enable;
    return 0;
}

uint8_t* CapiCompressionBuffer() { return g_CompressionBuffer; }

bool CapiCompressionEnabled() { return g_CompressionEnabled != 0; }
