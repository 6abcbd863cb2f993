#include "corlink/database/paged_storage.h"

#include <cstring>

#include "corlink/foundation/log.h"

namespace {

#define SERIAL16 "%02X%02X%02X%02X%02X%02X%02X%02X%02X%02X%02X%02X%02X%02X%02X%02X"
#define SERIAL16_ARGS(s) \
    s[0], s[1], s[2], s[3], s[4], s[5], s[6], s[7], s[8], s[9], s[10], s[11], s[12], s[13], s[14], s[15]

// The record's name, terminated.
struct Name {
    explicit Name(const uint8_t* record) { std::memcpy(text, record + PS_NAME_OFFSET, PS_NAME_SIZE); }
    char text[PS_NAME_SIZE + 1] = {};
};

}  // namespace

void LogPool(const uint8_t* pool) {
    const uint8_t* s = PoolSerial(pool);
    uint32_t components = 0;
    std::memcpy(&components, pool + PS_POOL_COMPONENT_COUNT_OFFSET, sizeof components);
    DebugPrint("PS Pool %s (" SERIAL16 ") has %d components:\n", Name(pool).text, SERIAL16_ARGS(s),
               components);
}

void LogPoolComponent(const uint8_t* component, const uint8_t* pool) {
    const uint8_t* s = component + PS_SERIAL_OFFSET;
    const uint8_t* v = component + PS_COMPONENT_VDISK_SERIAL_OFFSET;
    DebugPrint("  Component %s (" SERIAL16 ") vdisk " SERIAL16 "\n", Name(component).text, SERIAL16_ARGS(s),
               SERIAL16_ARGS(v));
    const uint8_t* own = component + PS_COMPONENT_POOL_SERIAL_OFFSET;
    const uint8_t* expected = PoolSerial(pool);
    if (std::memcmp(own, expected, PS_SERIAL_SIZE) != 0) {
        DebugPrint("    Pool S/N mismatch " SERIAL16 " != " SERIAL16 "\n", SERIAL16_ARGS(own),
                   SERIAL16_ARGS(expected));
    }
}
