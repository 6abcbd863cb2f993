// The host records a simulated controller returns, in the product's CAPI structures: host port
// identities, the known-host, nickname and flex host lists, and the view of one host.
#pragma once

#include <cstdint>
#include <vector>

#include "corlink/capi_wire/capi_shared.h"
#include "sim/fabric_model.h"

namespace sim {

CAPI_FLEX_ID FlexIdOf(const HostPortId& port);
// The port a CAPI_FLEX_ID names; `initiatorName` (224 bytes, may be null) names an iSCSI initiator.
HostPortId PortOf(const CAPI_FLEX_ID& id, const uint8_t* initiatorName);

// The ports the pair has seen: those its controllers' commands arrive through, then the others it knows.
std::vector<HostPortId> KnownPorts(const StorageSystem& system);

// CAPI_UNIFIED_KNOWN_HOST_LIST: the count in bytes 0-3, then one CAPI_KNOWN_HOST per known port with its
// nickname (16 bytes at 48).
std::vector<uint8_t> KnownHostListPayload(const StorageSystem& system);
// CAPI_HOST_NICKNAME_LIST: the named ports as known-host entries, their iSCSI names in the trailing bytes.
std::vector<uint8_t> NicknameListPayload(const StorageSystem& system);
// CAPI_FLEX_HOST_LIST: each known port as a flex host with its known-host entry and iSCSI name.
std::vector<uint8_t> FlexHostListPayload(const StorageSystem& system);
// The mapping through which the port sees the partition (its own, else the default one when presented), or
// null; for no port (the default mapping's identity) the default mapping when presented.
const PartitionMap* MapSeenBy(const Partition& partition, const HostPortId& port, size_t channels);
// CAPI_HOST_VIEW_TABLE of one port: every partition it sees, by its own mapping or by default.
std::vector<uint8_t> HostViewPayload(const StorageSystem& system, const HostPortId& port);

}  // namespace sim
