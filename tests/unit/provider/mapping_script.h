// The LUN-mapping commands as a scripted proxy sees them: host ports to test with, the host-view and mapping
// requests read back (in host order), and the replies (in host order, before NetworkReply) that carry a
// host view, a mapping's status, a partition view and the list of this host's FC ports.
#pragma once

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "corlink/capi_wire/capi_host.h"
#include "provider/controllers/flex_id_entry.h"

namespace providertest {

inline FlexIDEntry Fc(uint8_t last) {
    FlexIDEntry port;
    port.mKind = kFlexKindFibreChannel;
    port.mPortType = kFlexPortTypeFibreChannel;
    const uint8_t wwpn[8] = {0x21, 0x00, 0x00, 0x1B, 0x32, 0x00, 0x00, last};
    std::memcpy(port.mWwpn, wwpn, 8);
    return port;
}
inline FlexIDEntry Iscsi(const char* name) {
    FlexIDEntry port;
    port.mKind = kFlexKindIscsi;
    port.mPortType = kFlexPortTypeIscsi;
    std::snprintf(port.mIscsiName, sizeof port.mIscsiName, "%s", name);
    return port;
}

// A port as requests name it: its WWPN in hexadecimal, or its iSCSI name.
inline std::string KeyOf(uint8_t kind, const uint8_t* wwpn, const char* name) {
    if (kind == kFlexKindIscsi) return std::string(name, strnlen(name, kIscsiNameChars));
    char text[17];
    for (int i = 0; i < 8; ++i) std::snprintf(text + 2 * i, 3, "%02X", wwpn[i]);
    return text;
}
inline std::string KeyOf(const FlexIDEntry& port) { return KeyOf(port.mKind, port.mWwpn, port.mIscsiName); }

// One listed partition of a host view: its LUN, every channel's flags and a serial number.
inline CAPI_PARTITION_SN_AND_MAP Listed(uint16_t lun, uint8_t flags = 0xC0) {
    CAPI_PARTITION_SN_AND_MAP entry{};
    entry.sn.sn[0] = static_cast<uint8_t>(lun);
    entry.map.hlun = lun;
    std::memset(entry.map.flags, flags, sizeof entry.map.flags);
    return entry;
}

inline uint32_t U32(const std::vector<uint8_t>& d, size_t at) {
    uint32_t v;
    std::memcpy(&v, d.data() + at, 4);
    return v;
}
inline void PutU32(std::vector<uint8_t>& d, size_t at, uint32_t v) { std::memcpy(d.data() + at, &v, 4); }

// What a GET_HOST_VIEW request asks.
struct HostViewRequest {
    uint32_t id;
    uint8_t selector;
    uint32_t flag;
    std::string port;
};
inline HostViewRequest ReadHostViewRequest(const std::vector<uint8_t>& data) {
    return HostViewRequest{U32(data, 8), data[12], U32(data, 20),
                           KeyOf(data[24], &data[44], reinterpret_cast<const char*>(&data[72]))};
}

// What a CREATE_CUSTOM_VIEW request asks.
struct MapRequest {
    uint32_t id;
    std::string port;
    uint32_t lun;
    uint16_t lun16;
    std::vector<uint8_t> selectors;
    std::vector<uint8_t> access;
    std::vector<uint8_t> serial;
};
inline MapRequest ReadMapRequest(const std::vector<uint8_t>& data) {
    MapRequest r{U32(data, 12),
                 KeyOf(data[60], &data[80], reinterpret_cast<const char*>(&data[120])),
                 U32(data, 88),
                 0,
                 std::vector<uint8_t>(&data[16], &data[24]),
                 std::vector<uint8_t>(&data[112], &data[120]),
                 std::vector<uint8_t>(&data[28], &data[60])};
    std::memcpy(&r.lun16, &data[108], 2);
    return r;
}

// The host view of the request's port (its WWN for an FC port) listing these entries.
constexpr size_t kHostViewOffset = 296;
inline std::vector<uint8_t> HostViewReply(uint32_t status, const std::vector<uint8_t>& request,
                                          const std::vector<CAPI_PARTITION_SN_AND_MAP>& listed) {
    std::vector<uint8_t> host(64824, 0);
    PutU32(host, 4, status);
    auto* view = reinterpret_cast<CAPI_HOST_VIEW_TABLE*>(host.data() + kHostViewOffset);
    if (request[24] != kFlexKindIscsi) {
        view->numWWNs = 1;
        std::memcpy(view->wwns[0], &request[44], 8);
    }
    view->numPartitions = static_cast<uint16_t>(listed.size());
    for (size_t k = 0; k < listed.size() && k < 512; ++k) view->partitions[k] = listed[k];
    return host;
}

inline std::vector<uint8_t> MapReply(uint32_t status) {
    std::vector<uint8_t> host(42508, 0);
    PutU32(host, 4, status);
    return host;
}

inline std::vector<uint8_t> PartitionViewReply(uint32_t status, const CAPI_PARTITION_VIEW_TABLE& view) {
    std::vector<uint8_t> host(37456, 0);
    PutU32(host, 4, status);
    std::memcpy(host.data() + 48, &view, sizeof view);
    return host;
}

inline std::vector<uint8_t> WwpnListReply(uint32_t status, const std::vector<FlexIDEntry>& ports) {
    std::vector<uint8_t> host(276, 0);
    PutU32(host, 4, status);
    PutU32(host, 12, static_cast<uint32_t>(ports.size()));
    for (size_t i = 0; i < ports.size() && 16 + 8 * (i + 1) <= host.size(); ++i)
        std::memcpy(&host[16 + 8 * i], ports[i].mWwpn, 8);
    return host;
}

}  // namespace providertest
