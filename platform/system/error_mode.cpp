#include "platform/system/error_mode.h"

#include <atomic>

namespace {
std::atomic<UINT> g_ErrorMode{0};
}  // namespace

UINT SetErrorMode(UINT mode) {
    return g_ErrorMode.exchange(mode);
}
