#include "corlink/commands/host_commands.h"

#include <cstring>

#include "corlink/capi/capi_host.h"
#include "corlink/capi/wrappers_unified.h"
#include "corlink/commands/controller_db.h"
#include "corlink/commands/reply_buffers.h"
#include "corlink/foundation/log.h"
#include "corlink/transport/host_adapters.h"
#include "corlink/transport/sas_addresses.h"

namespace {

// GET_HOST_VIEW
constexpr uint32_t kViewSelectorAt = 12;
constexpr uint32_t kViewValueAt = 20;
constexpr uint32_t kViewIdentityAt = 24;
constexpr uint32_t kViewInitiatorNameAt = 72;
constexpr size_t kInitiatorNameLength = 224;  // the request's initiator-name field
constexpr uint32_t kHostViewAt = 296;
// ADD_HOST_NICK_NAME: the wrapper sends the 80 bytes from the nickname on (the nickname and the start of
// the initiator-name field).
constexpr uint32_t kNicknameIdentityAt = 16;
constexpr uint32_t kNicknameAt = 64;
constexpr uint32_t kNicknameInitiatorNameAt = 80;
// The list replies.
constexpr uint32_t kListAt = 16;
// GET_CONNECT_HBA_WWPN_LIST and GET_CONNECT_HBA_INFO_LIST
constexpr uint32_t kSasListAt = 12;
constexpr uint32_t kHbaListAt = 8;

// The known-host list counts its hosts in its first word; a reply holds 64 of them.
constexpr uint32_t kKnownHostsInReply = sizeof(CAPI_KNOWN_HOST_LIST::hosts) / sizeof(CAPI_KNOWN_HOST);

CAPI_HANDLE HandleOf(const CommandContext& c) { return ControllerHandleOf(c.index); }

CAPI_FLEX_ID IdentityAt(const CommandContext& c, uint32_t offset) {
    CAPI_FLEX_ID identity;
    std::memcpy(&identity, c.buffer + offset, sizeof identity);
    return identity;
}

// The controller command of a list that the reply callback stores in `store`; the store is emptied first,
// so that a failed command answers nothing of another controller's, and copied whatever the result.
template <class Send>
int32_t CopyStoredReply(CommandContext& c, uint8_t* store, uint32_t size, uint32_t to, Send send) {
    std::memset(store, 0, size);
    const int32_t code = send();
    std::memcpy(c.buffer + to, store, size);
    return code;
}

int32_t RunGetHostView(CommandContext& c) {
    const CAPI_FLEX_ID identity = IdentityAt(c, kViewIdentityAt);
    uint32_t value = 0;
    std::memcpy(&value, c.buffer + kViewValueAt, sizeof value);
    char initiatorName[kInitiatorNameLength + 1] = {};
    std::memcpy(initiatorName, c.buffer + kViewInitiatorNameAt, kInitiatorNameLength);
    return CopyStoredReply(c, g_HostViewReply, HOST_VIEW_REPLY_SIZE, kHostViewAt, [&] {
        return CAPI_U_GetHostView(HandleOf(c), c.buffer[kViewSelectorAt], &identity, value, initiatorName);
    });
}

int32_t RunAddHostNickName(CommandContext& c) {
    const CAPI_FLEX_ID identity = IdentityAt(c, kNicknameIdentityAt);
    char initiatorName[kInitiatorNameLength + 1] = {};
    std::memcpy(initiatorName, c.buffer + kNicknameInitiatorNameAt, kInitiatorNameLength);
    return CAPI_U_AddHostNickname(HandleOf(c), &identity, c.buffer + kNicknameAt, initiatorName);
}

int32_t RunGetHostNickNames(CommandContext& c) {
    return CopyStoredReply(c, g_HostNickNamesReply, HOST_NICKNAMES_REPLY_SIZE, kListAt,
                           [&] { return CAPI_U_GetHostNicknames(HandleOf(c)); });
}

// Only the first 64 hosts of the controller's list fit the reply: the count says no more than that.
int32_t RunGetKnownHosts(CommandContext& c) {
    const int32_t code = CopyStoredReply(c, g_KnownHostsReply, KNOWN_HOSTS_REPLY_SIZE, kListAt,
                                         [&] { return CAPI_U_GetKnownHosts(HandleOf(c), c.ab); });
    uint32_t count = 0;
    std::memcpy(&count, c.buffer + kListAt, sizeof count);
    if (count > kKnownHostsInReply) {
        DebugPrint("capiGetKnownHosts: %u known hosts, %u of them in the reply\n", count, kKnownHostsInReply);
        std::memcpy(c.buffer + kListAt, &kKnownHostsInReply, sizeof kKnownHostsInReply);
    }
    return code;
}

int32_t RunGetFlexKnownHosts(CommandContext& c) {
    return CopyStoredReply(c, g_FlexKnownHostsReply, FLEX_KNOWN_HOSTS_REPLY_SIZE, kListAt,
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
    std::memcpy(c.buffer + kSasListAt, &list, sizeof list);
    return 0;
}

void LogWwpnListClosing(const CommandContext& c, const char* outcome) {
    uint32_t count = 0;
    std::memcpy(&count, c.buffer + kSasListAt, sizeof count);
    DebugPrint("capicmd==>>capiGetConnectHbaWwpnList (%d WWPNs) %s!\n", static_cast<int>(count), outcome);
}

int32_t RunGetConnectHbaInfoList(CommandContext& c) {
    HBA_INFO_LIST list = g_HbaInfoList;
    if (list.count > HBA_INFO_LIST_CAPACITY) list.count = HBA_INFO_LIST_CAPACITY;
    std::memcpy(c.buffer + kHbaListAt, &list, sizeof list);
    return 0;
}

}  // namespace

const FramedCommand kGetHostView{Lookup::ClientId, FirstRead::Refresh, false, nullptr, RunGetHostView, false, nullptr};
const FramedCommand kAddHostNickName{Lookup::ClientId, FirstRead::Refresh, true, nullptr, RunAddHostNickName, false,
                                     nullptr};
const FramedCommand kGetHostNickNames{Lookup::ClientId, FirstRead::Refresh, false, nullptr, RunGetHostNickNames, false,
                                      nullptr};
const FramedCommand kGetKnownHosts{Lookup::RealController, FirstRead::Refresh, false, nullptr, RunGetKnownHosts, false,
                                   nullptr};
const FramedCommand kGetFlexKnownHosts{Lookup::RealController, FirstRead::Refresh, false, nullptr,
                                       RunGetFlexKnownHosts, false, nullptr};
const FramedCommand kGetConnectHbaWwpnList{Lookup::RealController, FirstRead::None, false, nullptr,
                                           RunGetConnectHbaWwpnList, false, nullptr, LogWwpnListClosing};
const FramedCommand kGetConnectHbaInfoList{Lookup::None, FirstRead::None, false, nullptr, RunGetConnectHbaInfoList,
                                           false, nullptr};
