// The map record of one custom-view mapping request: filled from the request by the controller's kind of
// host interface, then its channel flags merged with the partition's current view and checked.
#pragma once

#include <cstddef>
#include <cstdint>

#include "corlink/capi_wire/capi_host.h"
#include "corlink/proxy_wire/buffers_hosts.h"

constexpr uint32_t CUSTOM_VIEW_REQUEST_SIZE = sizeof(RRE_CUSTOM_VIEW_REQUEST);
constexpr uint32_t CUSTOM_VIEW_MAX_REQUESTS = RRE_CUSTOM_VIEW_MAX_REQUESTS;
constexpr uint32_t CUSTOM_VIEW_CHANNELS = RRE_CUSTOM_VIEW_CHANNELS;

// The places of a mapping request's fields as it arrives (host order), from its description.
namespace custom_view_request {
constexpr uint32_t kControllerId = offsetof(RRE_CUSTOM_VIEW_REQUEST, controllerId);
constexpr uint32_t kKeepMarkers = offsetof(RRE_CUSTOM_VIEW_REQUEST, keepMarkers);  // 1 = send the request's flags
constexpr uint32_t kMapOptions = offsetof(RRE_CUSTOM_VIEW_REQUEST, mapOptions);
constexpr uint32_t kSerial = offsetof(RRE_CUSTOM_VIEW_REQUEST, serialNumber);  // the first 16 bytes name the partition
constexpr uint32_t kIdentity = offsetof(RRE_CUSTOM_VIEW_REQUEST, identity);
constexpr uint32_t kIdentityType = kIdentity + offsetof(CAPI_FLEX_ID, type);
constexpr uint32_t kPortName = kIdentity + offsetof(CAPI_FLEX_ID, FCPortWWN);
constexpr uint32_t kAddress = kIdentity + offsetof(CAPI_FLEX_ID, reserved32);
constexpr uint32_t kMapping = offsetof(RRE_CUSTOM_VIEW_REQUEST, mapping);
constexpr uint32_t kInitiatorName = offsetof(RRE_CUSTOM_VIEW_REQUEST, initiatorName);
}  // namespace custom_view_request

// The controller as the merge sees it (the predicates of its database entry).
struct HostInterfaceKind {
    bool fc = false;
    bool sas = false;
    bool iscsi = false;
    bool hybrid = false;
    uint32_t channels = 0;  // numHostChannels, at most 8
};

// False for a request that names an iSCSI initiator (type 1) to a controller without iSCSI host ports: its
// port name names no initiator, and the request is not carried out.
bool NamesAHostTheControllerCanHave(const uint8_t* request, const HostInterfaceKind& kind);

// The identity of the host port (the record's bytes 48-55, 60-75 or 180-403 by kind), the mapping and
// the options, into a record that the caller zeroed.
void FillMapRecord(CAPI_MAP_UNMAP_PARAMS& record, const uint8_t* request, const HostInterfaceKind& kind);

// The record's channel flags after the merge with the view (whose absent channels are cleared): channels
// at or above the controller's count are sent as 0; a channel whose keep marker is 1 keeps the request's
// byte; every other channel takes the default mapping's byte when the record names no port, else the
// byte of the last host of the view that is the record's port, else keeps the request's byte.
void MergeChannelFlags(CAPI_MAP_UNMAP_PARAMS& record, const uint8_t keepMarkers[CUSTOM_VIEW_CHANNELS],
                       const CAPI_PARTITION_VIEW_TABLE& view, const HostInterfaceKind& kind);

// False when the merged flags would map the partition read-write (0xC0) on one channel and read-only
// (0xE0) on another. Otherwise, when any channel is read-only (bit 0x20), every channel becomes read-only;
// *readOnlySpread tells whether that happened.
bool CheckChannelFlags(CAPI_MAP_UNMAP_PARAMS& record, const HostInterfaceKind& kind, bool* readOnlySpread);

// The initiator name the record carries (224 bytes at its byte 180).
const char* InitiatorNameOf(const CAPI_MAP_UNMAP_PARAMS& record);
