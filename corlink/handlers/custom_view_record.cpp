#include "corlink/handlers/custom_view_record.h"

#include <algorithm>
#include <cctype>
#include <cstddef>
#include <cstring>

namespace {

constexpr size_t kRecordAddress = 60;  // the record identity's bytes 32-47
constexpr size_t kAddressLength = 16;
constexpr size_t kRecordInitiatorName = 180;
constexpr size_t kInitiatorNameLength = 224;
constexpr size_t kPortNameLength = 8;
constexpr uint8_t kTypeIscsiName = 1;
constexpr uint8_t kFlagsReadWrite = 0xC0;
constexpr uint8_t kFlagsReadOnly = 0xE0;
constexpr uint8_t kReadOnlyBit = 0x20;
static_assert(sizeof(RRE_CUSTOM_VIEW_REQUEST{}.identity.reserved32) == kAddressLength);
static_assert(sizeof(RRE_CUSTOM_VIEW_REQUEST{}.initiatorName) == kInitiatorNameLength);

uint8_t* Bytes(CAPI_MAP_UNMAP_PARAMS& record) { return reinterpret_cast<uint8_t*>(&record); }
const uint8_t* Bytes(const CAPI_MAP_UNMAP_PARAMS& record) {
    return reinterpret_cast<const uint8_t*>(&record);
}

bool NamedByAddress(uint8_t type) { return type == 64 || type == 128; }

bool AllZero(const uint8_t* bytes, size_t length) {
    return std::all_of(bytes, bytes + length, [](uint8_t b) { return b == 0; });
}

// iSCSI names compare without regard to case, within their 224-byte fields.
bool SameInitiatorName(const char* a, const char* b) {
    for (size_t i = 0; i < kInitiatorNameLength; ++i) {
        if (std::tolower(static_cast<unsigned char>(a[i])) !=
            std::tolower(static_cast<unsigned char>(b[i]))) {
            return false;
        }
        if (a[i] == '\0') return true;
    }
    return true;
}

bool TakesDefaultMapping(const CAPI_MAP_UNMAP_PARAMS& record, const HostInterfaceKind& kind) {
    const uint8_t type = record.flexId.type;
    if ((kind.fc || kind.sas) && AllZero(record.flexId.FCPortWWN, kPortNameLength) && type != kTypeIscsiName)
        return true;
    if (!kind.iscsi) return false;
    if (NamedByAddress(type)) return AllZero(Bytes(record) + kRecordAddress, kAddressLength);
    return type == kTypeIscsiName && InitiatorNameOf(record)[0] == '\0';
}

// An iSCSI initiator is never named by a port name: on a hybrid controller its record carries none.
bool IsViewHost(const CAPI_MAP_UNMAP_PARAMS& record, const CAPI_PARTITION_VIEW_TABLE& view, uint32_t k,
                const HostInterfaceKind& kind) {
    const uint8_t type = record.flexId.type;
    const bool byName =
        type == kTypeIscsiName && SameInitiatorName(InitiatorNameOf(record), view.iscsiNames[k]);
    if ((kind.fc || kind.sas) && type != kTypeIscsiName &&
        std::memcmp(record.flexId.FCPortWWN, view.wwn[k], kPortNameLength) == 0) {
        return true;
    }
    if (kind.iscsi) {
        const auto* viewAddress =
            reinterpret_cast<const uint8_t*>(&view.hostPorts[k]) + offsetof(CAPI_FLEX_ID, reserved32);
        if (NamedByAddress(type) &&
            std::memcmp(Bytes(record) + kRecordAddress, viewAddress, kAddressLength) == 0)
            return true;
        if (byName) return true;
    }
    return kind.hybrid && byName;
}

}  // namespace

const char* InitiatorNameOf(const CAPI_MAP_UNMAP_PARAMS& record) {
    return reinterpret_cast<const char*>(Bytes(record) + kRecordInitiatorName);
}

bool NamesAHostTheControllerCanHave(const RRE_CUSTOM_VIEW_REQUEST& request, const HostInterfaceKind& kind) {
    return request.identity.type != kTypeIscsiName || kind.iscsi || kind.hybrid;
}

void FillMapRecord(CAPI_MAP_UNMAP_PARAMS& record, const RRE_CUSTOM_VIEW_REQUEST& request,
                   const HostInterfaceKind& kind) {
    uint8_t* out = Bytes(record);
    // The whole 32-byte serial number field over the record's start; the mapping and the type then take
    // their own places in it.
    std::memcpy(out, request.serialNumber, sizeof request.serialNumber);
    std::memcpy(&record.mapping, &request.mapping, sizeof record.mapping);
    const uint8_t type = request.identity.type;
    record.flexId.type = type;
    auto copyName = [&] {
        std::memcpy(out + kRecordInitiatorName, request.initiatorName, kInitiatorNameLength);
    };
    auto copyAddress = [&] {
        std::memcpy(out + kRecordAddress, request.identity.reserved32, kAddressLength);
    };
    if (kind.fc || kind.sas) {
        if (kind.hybrid && type == kTypeIscsiName) {
            copyName();
        } else if (kind.hybrid && NamedByAddress(type)) {
            copyAddress();
        } else {
            std::memcpy(record.flexId.FCPortWWN, request.identity.FCPortWWN, kPortNameLength);
        }
    } else if (kind.iscsi) {
        if (NamedByAddress(type)) copyAddress();
        if (type == kTypeIscsiName) copyName();
    }
    record.value76 = request.mapOptions;
}

void MergeChannelFlags(CAPI_MAP_UNMAP_PARAMS& record, const uint8_t keepMarkers[CUSTOM_VIEW_CHANNELS],
                       const CAPI_PARTITION_VIEW_TABLE& view, const HostInterfaceKind& kind) {
    const uint32_t channels = std::min(kind.channels, CUSTOM_VIEW_CHANNELS);
    for (uint32_t j = channels; j < CUSTOM_VIEW_CHANNELS; ++j) record.mapping.flags[j] = 0;
    const bool byDefault = TakesDefaultMapping(record, kind);
    const uint32_t hosts = std::min<uint32_t>(view.numHosts, std::size(view.mappings));
    for (uint32_t j = 0; j < channels; ++j) {
        if (keepMarkers[j] == 1) continue;
        if (byDefault) {
            record.mapping.flags[j] = view.defaultMapping.flags[j];
            continue;
        }
        for (uint32_t k = 0; k < hosts; ++k) {
            if (IsViewHost(record, view, k, kind)) record.mapping.flags[j] = view.mappings[k].flags[j];
        }
    }
}

bool CheckChannelFlags(CAPI_MAP_UNMAP_PARAMS& record, const HostInterfaceKind& kind, bool* readOnlySpread) {
    const uint32_t channels = std::min(kind.channels, CUSTOM_VIEW_CHANNELS);
    uint8_t* flags = record.mapping.flags;
    const bool readWrite = std::find(flags, flags + channels, kFlagsReadWrite) != flags + channels;
    const bool readOnly = std::find(flags, flags + channels, kFlagsReadOnly) != flags + channels;
    *readOnlySpread = false;
    if (readWrite && readOnly) return false;
    if (std::any_of(flags, flags + channels, [](uint8_t f) { return (f & kReadOnlyBit) != 0; })) {
        for (uint32_t j = 0; j < channels; ++j) flags[j] |= kReadOnlyBit;
        *readOnlySpread = true;
    }
    return true;
}
