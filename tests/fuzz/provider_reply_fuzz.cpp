// The provider's proxy command wrappers over arbitrary replies from a scripted proxy: whatever a reply
// holds, a wrapper never writes past its outputs or hangs, and the session serves the next command. The
// first byte chooses the wrapper, the second how the rest is sent: as the reply's data, as data of the
// command's own length with status and code 0 (so that counts and lists are reached), or behind a header
// whose DataLen the input gives, after which the proxy closes the connection.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "fuzz_root.h"
#include "platform/time/clock.h"
#include "provider/controllers/heartbeat_listener.h"
#include "provider/controllers/proxy_calls.h"
#include "provider/controllers/proxy_session.h"
#include "tests/unit/provider/scripted_proxy.h"

namespace {

using providertest::ProxyMessage;
using providertest::ScriptAction;

std::vector<uint8_t> g_reply;
uint8_t g_shape = 0;

ScriptAction Answer(const ProxyMessage& request) {
    switch (g_shape % 3) {
        case 0: return ScriptAction{{providertest::ReplyTo(request, g_reply)}, false};
        case 1: {
            const size_t length = request.header.OpCode == 1   ? sizeof(API_RAID_CONTROLLER)
                                  : request.header.OpCode == 0 ? 2576
                                                               : request.data.size();
            std::vector<uint8_t> data(length, 0);
            if (length > 8 && !g_reply.empty())
                std::memcpy(data.data() + 8, g_reply.data(), std::min(g_reply.size(), length - 8));
            return ScriptAction{{providertest::ReplyTo(request, data)}, false};
        }
        default: {
            std::vector<uint8_t> bytes = providertest::ReplyTo(request, g_reply);
            // DataLen from the input
            if (g_reply.size() >= 4) std::memcpy(bytes.data() + 32, g_reply.data(), 4);
            return ScriptAction{{bytes}, true};
        }
    }
}

providertest::ScriptedProxy& Proxy() {
    static auto* proxy = new providertest::ScriptedProxy;
    return *proxy;
}

void Prepare() {
    const std::string& root = UseTemporaryMachineRoot("provider_reply_fuzz");
    std::filesystem::create_directories(root + "/C/Windows/System32");
    static auto* clock = new platform::VirtualClock;  // the session's resets pause on it, at no cost
    platform::SetClock(clock);
    Proxy().SetScript(Answer);
    std::ofstream(root + "/C/Windows/System32/corlink4.conf")
        << "version  :1\nipaddress:127.0.0.1\nusername :u\npassword :p\nport     :" << Proxy().port() << "\n";
    if (ProxyInit() != 0) abort();
    stop_listener();  // every input starts without one
}

struct Outputs {
    API_RAID_CONTROLLER controller;
    CAPI_PARTITION_VIEW_TABLE partitionView;
    CAPI_HOST_VIEW_TABLE hostView;
    CAPI_MASTER_VOLUME masters[kMaxMasterVolumes];
    CAPI_SNAPSHOT snapshots[kMaxSnapshots];
    CAPI_BACKING_STORE pools[kMaxBackingStores];
    CAPI_ROLLOFF_VOLUME rolloffs[kMaxRolloffVolumes];
    CAPI_ARRAY_PARTITION partition;
    uint8_t bytes[1024];
};

void Call(uint8_t which, Outputs& out) {
    static const uint8_t serial[32] = {1};
    static const uint8_t request[1024] = {2};
    FlexIDEntry port;
    port.mKind = kFlexKindIscsi;
    std::memset(port.mIscsiName, 'n', sizeof port.mIscsiName);  // unterminated: the wrappers bound it
    std::vector<ProxySubsystem> subsystems;
    std::vector<PortName> names;
    uint32_t count = 0;
    CAPI_ARRAY_PARTITION_PARAMS params{};
    CAPI_DMS_POLICY policy{};
    switch (which % 21) {
        case 0: get_subsystems(&subsystems); break;
        case 1: get_controller_data(1, &out.controller); break;
        case 2: get_part_view(1, serial, &out.partitionView); break;
        case 3: create_custom_view(1, serial, 1, 0, &port, nullptr); break;
        case 4: get_host_view(1, 2, &port, 0, &out.hostView); break;
        case 5: create_snapshot(1, request, out.bytes); break;
        case 6: commit_snapshot(1, request); break;
        case 7: dms_get_tag(1, 0, out.bytes); break;
        case 8: delete_part(1, serial); break;
        case 9: set_discovery_flag(1); break;
        case 10: get_master_volume_list(1, 2, 2, nullptr, &count, out.masters); break;
        case 11: get_snapshot_list(1, 2, 2, serial, &count, out.snapshots); break;
        case 12: get_backing_store_list(1, 2, &count, out.pools); break;
        case 13: rolloff_volume(1, request, out.bytes); break;
        case 14: get_rolloff_volume_list(1, 2, &count, out.rolloffs); break;
        case 15: get_connect_wwpn_list(1, &names); break;
        case 16: add_array_part(1, &params, &out.partition); break;
        case 17: convert_master_volume(1, 9, serial, serial); break;
        case 18: set_dms_policy(1, &policy); break;
        case 19: rollback_master_volume(1, request); break;
        default: change_identinfo(1, serial, "SSID="); break;
    }
    if (subsystems.size() > kMaxSubsystems || names.size() > kMaxPortNames) abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const bool prepared = (Prepare(), true);
    (void)prepared;
    static auto* outputs = new Outputs;
    if (size < 2) return 0;
    g_shape = data[1];
    g_reply.assign(data + 2, data + size);
    Call(data[0], *outputs);
    Proxy().ForgetMessages();  // the stand-in records every message; a long run must not keep them
    // A session reset in this input started a new heart-beat listener: its thread ends with the input, so the
    // leak check between inputs never meets a thread of an earlier input half-way.
    stop_listener();
    return 0;
}
