#include "sim/capi/host_records.h"

#include <algorithm>
#include <cstring>
#include <memory>

#include "corlink/capi_wire/capi_host.h"
#include "sim/capi/records.h"

namespace sim {
namespace {

constexpr size_t kNicknameLength = 16;
constexpr size_t kNicknameAt = 48;               // in CAPI_KNOWN_HOST
constexpr size_t kNicknameIscsiNamesAt = 12548;  // in CAPI_HOST_NICKNAME_LIST: 64 names of 225 bytes
constexpr size_t kNicknameIscsiNameStride = 225;
constexpr size_t kFlexHostIscsiNameAt = 200;  // in CAPI_FLEX_HOST
constexpr size_t kHostViewPartitions = 512;

void PutText(uint8_t* field, size_t size, const std::string& text) {
    std::memcpy(field, text.data(), std::min(text.size(), size - 1));
}

const std::string* NicknameOf(const StorageSystem& system, const HostPortId& port) {
    for (const Nickname& nickname : system.nicknames) {
        if (nickname.port.SameAs(port)) return &nickname.name;
    }
    return nullptr;
}

CAPI_KNOWN_HOST KnownHostEntry(const StorageSystem& system, const HostPortId& port) {
    CAPI_KNOWN_HOST entry;
    std::memset(&entry, 0, sizeof entry);
    entry.flexId = FlexIdOf(port);
    if (const std::string* nickname = NicknameOf(system, port)) {
        PutText(reinterpret_cast<uint8_t*>(&entry) + kNicknameAt, kNicknameLength + 1, *nickname);
    }
    return entry;
}

void PutCount(uint8_t* at, uint32_t count) { std::memcpy(at, &count, sizeof count); }

}  // namespace

CAPI_FLEX_ID FlexIdOf(const HostPortId& port) {
    CAPI_FLEX_ID id;
    std::memset(&id, 0, sizeof id);
    id.type = port.kind;
    if (port.NamedByAddress()) {
        std::memcpy(id.reserved32, port.address.data(), port.address.size());
    } else if (!port.NamedByIscsiName()) {
        std::memcpy(id.FCPortWWN, port.port.data(), port.port.size());
    }
    return id;
}

HostPortId PortOf(const CAPI_FLEX_ID& id, const uint8_t* initiatorName) {
    HostPortId port;
    port.kind = id.type;
    if (port.NamedByIscsiName()) {
        if (initiatorName != nullptr) {
            const auto* text = reinterpret_cast<const char*>(initiatorName);
            port.iscsiName.assign(text, strnlen(text, kIscsiNameLength - 1));
        }
    } else if (port.NamedByAddress()) {
        std::memcpy(port.address.data(), id.reserved32, port.address.size());
    } else {
        port.kind = kPortKindFc;
        std::memcpy(port.port.data(), id.FCPortWWN, port.port.size());
    }
    return port;
}

std::vector<HostPortId> KnownPorts(const StorageSystem& system) {
    std::vector<HostPortId> ports;
    auto add = [&](const HostPortId& port) {
        if (port.Empty()) return;
        if (std::none_of(ports.begin(), ports.end(), [&](const HostPortId& p) { return p.SameAs(port); })) {
            ports.push_back(port);
        }
    };
    for (const Controller& controller : system.controllers) add(HostPortId::Fc(controller.hostPort));
    for (const KnownHost& known : system.knownHosts) add(known.port);
    return ports;
}

std::vector<uint8_t> KnownHostListPayload(const StorageSystem& system) {
    auto list = ZeroedRecord<CAPI_UNIFIED_KNOWN_HOST_LIST>();
    const std::vector<HostPortId> ports = KnownPorts(system);
    const size_t count = std::min(ports.size(), std::size(list->hosts));
    for (size_t k = 0; k < count; ++k) list->hosts[k] = KnownHostEntry(system, ports[k]);
    PutCount(list->reserved0, static_cast<uint32_t>(count));
    return BytesOf(*list);
}

std::vector<uint8_t> NicknameListPayload(const StorageSystem& system) {
    auto list = ZeroedRecord<CAPI_HOST_NICKNAME_LIST>();
    auto* bytes = reinterpret_cast<uint8_t*>(list.get());
    const size_t count = std::min(system.nicknames.size(), std::size(list->hosts));
    for (size_t k = 0; k < count; ++k) {
        const HostPortId& port = system.nicknames[k].port;
        list->hosts[k] = KnownHostEntry(system, port);
        PutText(bytes + kNicknameIscsiNamesAt + k * kNicknameIscsiNameStride, kNicknameIscsiNameStride,
                port.iscsiName);
    }
    PutCount(list->reserved0, static_cast<uint32_t>(count));
    return BytesOf(*list);
}

std::vector<uint8_t> FlexHostListPayload(const StorageSystem& system) {
    auto list = ZeroedRecord<CAPI_FLEX_HOST_LIST>();
    const std::vector<HostPortId> ports = KnownPorts(system);
    const size_t count = std::min(ports.size(), std::size(list->hosts));
    for (size_t k = 0; k < count; ++k) {
        CAPI_FLEX_HOST& host = list->hosts[k];
        host.knownHost = KnownHostEntry(system, ports[k]);
        PutText(reinterpret_cast<uint8_t*>(&host) + kFlexHostIscsiNameAt, kIscsiNameLength,
                ports[k].iscsiName);
    }
    list->value0 = static_cast<uint32_t>(count);
    return BytesOf(*list);
}

const PartitionMap* MapSeenBy(const Partition& partition, const HostPortId& port, size_t channels) {
    const PartitionMap* seen = partition.defaultMap.PresentedOn(channels) ? &partition.defaultMap : nullptr;
    if (port.Empty()) return seen;
    for (const HostMapping& mapping : partition.hostMaps) {
        if (mapping.host.SameAs(port)) seen = &mapping.map;
    }
    return seen;
}

std::vector<uint8_t> HostViewPayload(const StorageSystem& system, const HostPortId& port) {
    auto view = ZeroedRecord<CAPI_HOST_VIEW_TABLE>();
    if (!port.NamedByIscsiName() && !port.NamedByAddress()) {
        view->numWWNs = 1;
        std::memcpy(view->wwns[0], port.port.data(), port.port.size());
    }
    view->hostPorts[0] = FlexIdOf(port);
    const size_t channels = system.params.numHostChannels;
    uint16_t n = 0;
    for (const Partition& partition : system.partitions) {
        if (n == kHostViewPartitions) break;
        const PartitionMap* seen = MapSeenBy(partition, port, channels);
        if (seen == nullptr) continue;
        CAPI_PARTITION_SN_AND_MAP& entry = view->partitions[n++];
        std::memcpy(&entry.sn, partition.serial.data(), partition.serial.size());
        entry.map.hlun = seen->hlun;
        std::memcpy(entry.map.flags, seen->flags.data(), sizeof entry.map.flags);
    }
    view->numPartitions = n;
    return BytesOf(*view);
}

}  // namespace sim
