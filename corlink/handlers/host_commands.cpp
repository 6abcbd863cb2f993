#include "corlink/handlers/host_commands.h"

#include <cstring>

#include "corlink/capi/wrappers_unified.h"
#include "corlink/capi_wire/capi_host.h"
#include "corlink/database/controller_db.h"
#include "corlink/database/reply_buffers.h"
#include "corlink/foundation/log.h"
#include "corlink/proxy_wire/buffers_hosts.h"
#include "corlink/transport/host_adapters.h"
#include "corlink/transport/sas_addresses.h"

namespace {

using rre_wire::BufferAs;

constexpr size_t kInitiatorNameLength = RRE_INITIATOR_NAME_SIZE;  // the request's initiator-name field

// The known-host list counts its hosts in its first word; a reply holds 64 of them.
constexpr uint32_t kKnownHostsInReply = sizeof(CAPI_KNOWN_HOST_LIST::hosts) / sizeof(CAPI_KNOWN_HOST);

CAPI_HANDLE HandleOf(const CommandContext& c) { return ControllerHandleOf(c.index); }

// The controller command of a list that the reply callback stores in `store`; the store is emptied first,
// so that a failed command answers nothing of another controller's, and copied whatever the result.
template <class Reply, class Send>
int32_t CopyStoredReply(Reply* to, uint8_t* store, uint32_t size, Send send) {
    std::memset(store, 0, size);
    const int32_t code = send();
    std::memcpy(static_cast<void*>(to), store, size);
    return code;
}

int32_t RunGetHostView(CommandContext& c) {
    auto* buffer = BufferAs<RRE_HOST_VIEW_BUFFER>(c.buffer);
    const CAPI_FLEX_ID identity = buffer->identity;
    const uint32_t value = buffer->value;
    char initiatorName[kInitiatorNameLength + 1] = {};
    std::memcpy(initiatorName, buffer->initiatorName, kInitiatorNameLength);
    static_assert(sizeof buffer->view == HOST_VIEW_REPLY_SIZE);
    return CopyStoredReply(&buffer->view, g_HostViewReply, HOST_VIEW_REPLY_SIZE, [&] {
        return CAPI_U_GetHostView(HandleOf(c), buffer->selector, &identity, value, initiatorName);
    });
}

int32_t RunAddHostNickName(CommandContext& c) {
    const auto* request = BufferAs<RRE_ADD_NICKNAME_BUFFER>(c.buffer);
    const CAPI_FLEX_ID identity = request->identity;
    char initiatorName[kInitiatorNameLength + 1] = {};
    std::memcpy(initiatorName, request->initiatorName, kInitiatorNameLength);
    return CAPI_U_AddHostNickname(HandleOf(c), &identity, request->nickname, initiatorName);
}

int32_t RunGetHostNickNames(CommandContext& c) {
    static_assert(sizeof(CAPI_HOST_NICKNAME_LIST) == HOST_NICKNAMES_REPLY_SIZE);
    return CopyStoredReply(&BufferAs<RRE_NICKNAMES_BUFFER>(c.buffer)->nicknames, g_HostNickNamesReply,
                           HOST_NICKNAMES_REPLY_SIZE, [&] { return CAPI_U_GetHostNicknames(HandleOf(c)); });
}

// Only the first 64 hosts of the controller's list fit the reply: the count says no more than that.
int32_t RunGetKnownHosts(CommandContext& c) {
    CAPI_KNOWN_HOST_LIST& hosts = BufferAs<RRE_KNOWN_HOSTS_BUFFER>(c.buffer)->hosts;
    static_assert(sizeof hosts == KNOWN_HOSTS_REPLY_SIZE);
    const int32_t code = CopyStoredReply(&hosts, g_KnownHostsReply, KNOWN_HOSTS_REPLY_SIZE,
                                         [&] { return CAPI_U_GetKnownHosts(HandleOf(c), c.ab); });
    uint32_t count = 0;
    std::memcpy(&count, hosts.reserved0, sizeof count);
    if (count > kKnownHostsInReply) {
        DebugPrint("capiGetKnownHosts: %u known hosts, %u of them in the reply\n", count, kKnownHostsInReply);
        std::memcpy(hosts.reserved0, &kKnownHostsInReply, sizeof kKnownHostsInReply);
    }
    return code;
}

int32_t RunGetFlexKnownHosts(CommandContext& c) {
    static_assert(sizeof(CAPI_FLEX_HOST_LIST) == FLEX_KNOWN_HOSTS_REPLY_SIZE);
    return CopyStoredReply(&BufferAs<RRE_FLEX_HOSTS_BUFFER>(c.buffer)->hosts, g_FlexKnownHostsReply,
                           FLEX_KNOWN_HOSTS_REPLY_SIZE,
                           [&] { return CAPI_U_GetFlexHostList(HandleOf(c), c.ab); });
}

// The host's SAS port names as discovery found them, then the supplemental ones not among them (compared
// with the host's list only, so one given twice is listed twice), at most 32.
int32_t RunGetConnectHbaWwpnList(CommandContext& c) {
    SAS_ADDRESS_LIST list = g_HostSasAddresses;
    if (list.count > SAS_ADDRESS_LIST_CAPACITY) list.count = SAS_ADDRESS_LIST_CAPACITY;
    const uint32_t supplemental = g_SupplementalSasAddresses.count < SAS_ADDRESS_LIST_CAPACITY
                                      ? g_SupplementalSasAddresses.count
                                      : SAS_ADDRESS_LIST_CAPACITY;
    for (uint32_t i = 0; i < supplemental && list.count < SAS_ADDRESS_LIST_CAPACITY; ++i) {
        const uint8_t* address = g_SupplementalSasAddresses.addresses[i];
        if (IsHostSasAddress(address)) continue;
        std::memcpy(list.addresses[list.count++], address, SAS_ADDRESS_LENGTH);
    }
    static_assert(sizeof list == sizeof(RRE_PORT_NAME_LIST));
    std::memcpy(&BufferAs<RRE_WWPN_LIST_BUFFER>(c.buffer)->ports, &list, sizeof list);
    return 0;
}

void LogWwpnListClosing(const CommandContext& c, const char* outcome) {
    const uint32_t count = BufferAs<RRE_WWPN_LIST_BUFFER>(c.buffer)->ports.count;
    DebugPrint("capicmd==>>capiGetConnectHbaWwpnList (%d WWPNs) %s!\n", static_cast<int>(count), outcome);
}

int32_t RunGetConnectHbaInfoList(CommandContext& c) {
    HBA_INFO_LIST list = g_HbaInfoList;
    if (list.count > HBA_INFO_LIST_CAPACITY) list.count = HBA_INFO_LIST_CAPACITY;
    static_assert(sizeof list == sizeof(RRE_HBA_LIST));
    std::memcpy(&BufferAs<RRE_HBA_INFO_BUFFER>(c.buffer)->adapters, &list, sizeof list);
    return 0;
}

}  // namespace

const FramedCommand kGetHostView{Lookup::ClientId, FirstRead::Refresh, false, nullptr, RunGetHostView, false,
                                 nullptr};
const FramedCommand kAddHostNickName{
    Lookup::ClientId, FirstRead::Refresh, true, nullptr, RunAddHostNickName, false, nullptr};
const FramedCommand kGetHostNickNames{
    Lookup::ClientId, FirstRead::Refresh, false, nullptr, RunGetHostNickNames, false, nullptr};
const FramedCommand kGetKnownHosts{
    Lookup::RealController, FirstRead::Refresh, false, nullptr, RunGetKnownHosts, false, nullptr};
const FramedCommand kGetFlexKnownHosts{
    Lookup::RealController, FirstRead::Refresh, false, nullptr, RunGetFlexKnownHosts, false, nullptr};
const FramedCommand kGetConnectHbaWwpnList{
    Lookup::RealController,   FirstRead::None, false,   nullptr,
    RunGetConnectHbaWwpnList, false,           nullptr, LogWwpnListClosing};
const FramedCommand kGetConnectHbaInfoList{
    Lookup::None, FirstRead::None, false, nullptr, RunGetConnectHbaInfoList, false, nullptr};
