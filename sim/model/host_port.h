// A host port as a controller names it (the kind byte of a CAPI_FLEX_ID): an iSCSI initiator by its
// name, a host by a 16-byte address, or an FC or SAS port by its 8-byte port name.
#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "sim/model/identifiers.h"

namespace sim {

// A controller's host channels and the bus types a channel reports: Fibre Channel, SAS, iSCSI.
inline constexpr size_t kMaxHostChannels = 8;
inline constexpr uint8_t kBusTypeFc = 6;
inline constexpr uint8_t kBusTypeSas = 8;
inline constexpr uint8_t kBusTypeIscsi = 9;
using HostBusTypeList = std::array<uint8_t, kMaxHostChannels>;
constexpr HostBusTypeList HostBusTypes(uint8_t busType) {
    HostBusTypeList types{};
    types.fill(busType);
    return types;
}
// A hybrid controller mixes kinds: its first host channel Fibre Channel, the others iSCSI.
constexpr HostBusTypeList HybridHostBusTypes() {
    HostBusTypeList types = HostBusTypes(kBusTypeIscsi);
    types[0] = kBusTypeFc;
    return types;
}

inline constexpr uint8_t kPortKindIscsi = 1;
inline constexpr uint8_t kPortKindFc = 16;
inline constexpr size_t kIscsiNameLength = 224;

struct HostPortId {
    uint8_t kind = kPortKindFc;
    Wwn port{};             // FC and SAS ports
    Serial16 address{};     // kinds 64 and 128
    std::string iscsiName;  // kind 1, at most 223 characters

    static HostPortId Fc(const Wwn& port);
    static HostPortId Iscsi(const std::string& name);

    bool NamedByIscsiName() const { return kind == kPortKindIscsi; }
    bool NamedByAddress() const { return kind == 64 || kind == 128; }
    // Names no port: the default mapping's identity.
    bool Empty() const;
    // The same port (iSCSI names compared without regard to case).
    bool SameAs(const HostPortId& other) const;
};

}  // namespace sim
