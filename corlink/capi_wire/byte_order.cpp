#include "corlink/capi_wire/byte_order.h"

#include <utility>

void SwapBytes16(void* field) {
    auto* p = static_cast<uint8_t*>(field);
    std::swap(p[0], p[1]);
}

void SwapBytes32(void* field) {
    auto* p = static_cast<uint8_t*>(field);
    std::swap(p[0], p[3]);
    std::swap(p[1], p[2]);
}

void SwapCapi16(int32_t mode, void* field) {
    if (PackModeConverts(mode)) SwapBytes16(field);
}

void SwapCapi32(int32_t mode, void* field) {
    if (PackModeConverts(mode)) SwapBytes32(field);
}

void SwapCapi32x2(int32_t mode, void* field) {
    SwapCapi32(mode, field);
    SwapCapi32(mode, static_cast<uint8_t*>(field) + 4);
}
