#include "corlink/handlers/controller_kinds.h"

#include "corlink/database/controller_db.h"

namespace {

constexpr uint8_t kBusTypeFcFirst = 4;
constexpr uint8_t kBusTypeFcLast = 6;
constexpr uint8_t kBusTypeSas = 8;
constexpr uint8_t kBusTypeIscsi = 9;
constexpr uint32_t kHostChannels = sizeof(CAPI_CONTROLLER{}.hostChannels) / sizeof(CAPI_CHANNEL);

const CAPI_CONTROLLER* ControllerData(int32_t index) {
    if (index < 0 || static_cast<uint32_t>(index) >= g_NumControllers) {
        return nullptr;
    }
    return &g_ControllerDb[static_cast<uint32_t>(index)].controller;
}

// busType of host channel 0, or -1 for an index not in use.
int FirstHostBusType(int32_t index) {
    const CAPI_CONTROLLER* controller = ControllerData(index);
    return controller != nullptr ? controller->hostChannels[0].busType : -1;
}

}  // namespace

bool IsFCHIM(int32_t index) {
    const int busType = FirstHostBusType(index);
    return busType >= kBusTypeFcFirst && busType <= kBusTypeFcLast;
}

bool IsSASHIM(int32_t index) { return FirstHostBusType(index) == kBusTypeSas; }

bool IsiSCSIHIM(int32_t index) { return FirstHostBusType(index) == kBusTypeIscsi; }

bool IsHybrid(int32_t index) {
    const CAPI_CONTROLLER* controller = ControllerData(index);
    if (controller == nullptr) {
        return false;
    }
    const uint32_t declared = controller->numHostChannels;
    const uint32_t channels = declared < kHostChannels ? declared : kHostChannels;
    bool iscsi = false;
    bool other = false;
    for (uint32_t i = 0; i < channels; ++i) {
        (controller->hostChannels[i].busType == kBusTypeIscsi ? iscsi : other) = true;
    }
    return iscsi && other;
}

bool IsFlexIdType64Or128(const CAPI_FLEX_ID* id) {
    return id != nullptr && (id->type == 64 || id->type == 128);
}

bool IsFlexIdType1(const CAPI_FLEX_ID* id) { return id != nullptr && id->type == 1; }
