// The host commands: the host ports a pair knows, as known hosts and as its flex host list, and their
// nicknames.
#include <algorithm>
#include <cstring>

#include "corlink/capi_wire/capi_command_codes.h"
#include "corlink/capi_wire/capi_error_codes.h"
#include "corlink/capi_wire/capi_host.h"
#include "sim/capi/command_rows.h"
#include "sim/capi/host_records.h"

namespace sim {
namespace {

constexpr uint32_t kIncludeHostNickname = 33;
constexpr uint32_t kIncludeHostNicknameList = 34;
constexpr uint32_t kIncludeUnifiedKnownHosts = 58;
constexpr uint32_t kIncludeFlexHostList = 102;
constexpr uint32_t kNicknameLength = 16;
constexpr uint32_t kNicknameInitiatorNameAt = 128;

void KnownHosts(Call& call) {
    const auto count = static_cast<uint32_t>(KnownPorts(call.pair()).size());
    call.ReplyList(kIncludeUnifiedKnownHosts, count, KnownHostListPayload(call.pair()));
}

void FlexHostList(Call& call) {
    const auto count = static_cast<uint32_t>(KnownPorts(call.pair()).size());
    call.ReplyList(kIncludeFlexHostList, count, FlexHostListPayload(call.pair()));
}

void HostNicknames(Call& call) {
    const auto count = static_cast<uint32_t>(call.pair().nicknames.size());
    call.ReplyList(kIncludeHostNicknameList, count, NicknameListPayload(call.pair()));
}

// Names a port (an empty name takes its nickname away); the port becomes known.
void AddHostNickname(Call& call) {
    CAPI_HOST_NICKNAME record;
    if (!call.Include(&record)) return call.Fail(CAPI_ERROR_COMMAND_FAILED);
    const HostPortId port = PortOf(record.flexId, call.IncludeAt(kNicknameInitiatorNameAt, kIscsiNameLength));
    if (port.Empty()) return call.Fail(CAPI_ERROR_BAD_IDENTIFIER);
    const auto* text = reinterpret_cast<const char*>(record.reserved0);
    const std::string name(text, strnlen(text, kNicknameLength));
    StorageSystem& pair = call.pair();
    auto& nicknames = pair.nicknames;
    nicknames.erase(std::remove_if(nicknames.begin(), nicknames.end(),
                                   [&](const Nickname& n) { return n.port.SameAs(port); }),
                    nicknames.end());
    if (!name.empty()) nicknames.push_back({port, name});
    const std::vector<HostPortId> known = KnownPorts(pair);
    if (std::none_of(known.begin(), known.end(), [&](const HostPortId& p) { return p.SameAs(port); })) {
        pair.knownHosts.push_back({port});
    }
}

constexpr CommandRow kRows[] = {
    // clang-format off
    {CAPI_COMMAND_U_GET_KNOWN_HOSTS, "U_GET_KNOWN_HOSTS", 0, 0, false, Sequence::PairInParams23, KnownHosts},
    {CAPI_COMMAND_U_GET_HOST_NICKNAMES, "U_GET_HOST_NICKNAMES", 0, 0, false, Sequence::PairInParams23, HostNicknames},
    {CAPI_COMMAND_U_ADD_HOST_NICKNAME, "U_ADD_HOST_NICKNAME", kIncludeHostNickname, sizeof(CAPI_HOST_NICKNAME), true,
     Sequence::PairInParams23, AddHostNickname},
    {CAPI_COMMAND_U_GET_FLEX_HOST_LIST, "U_GET_FLEX_HOST_LIST", 0, 0, false, Sequence::PairInParams23, FlexHostList},
    // clang-format on
};

}  // namespace

CommandFamily HostCommands() { return kRows; }

}  // namespace sim
