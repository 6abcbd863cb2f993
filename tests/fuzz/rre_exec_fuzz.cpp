// Proxy command requests through the command executor, as a session hands them over: any code, any
// request bytes and length, any buffer size. The executor runs against the default scenario's fabric
// (in the process, with virtual time), so that commands that reach a controller get answers. Whatever
// the request says, nothing is written past the end of the caller's buffer (it ends where its allocation
// ends) and the reply length never passes it.
//
// An input: the command code (1 byte), flags (1 byte: bit 0 the session's user is the proxy's own), the
// request length and the buffer size (3 bytes each, little-endian; the buffer size taken modulo one more
// than the session's 4 MiB), then the first bytes of the request; the rest of the request is zeros, and
// the rest of the buffer holds what earlier messages left there.
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>

#include "corlink/capi/capi_library.h"
#include "corlink/database/capi_session.h"
#include "corlink/database/controller_db.h"
#include "corlink/database/database_state.h"
#include "corlink/database/storage_system.h"
#include "corlink/executor/command_table.h"
#include "corlink/executor/executor.h"
#include "corlink/foundation/service_params.h"
#include "corlink/handlers/rre.h"
#include "corlink/server/hotlink.h"
#include "fuzz_root.h"
#include "platform/devices/device_io.h"
#include "platform/time/clock.h"
#include "sim/fabric.h"
#include "sim/fabric_backend.h"
#include "sim/scenario.h"

namespace {

void Check(bool condition) {
    if (!condition) std::abort();
}

constexpr size_t kHeaderSize = 8;
constexpr uint8_t kStaleByte = 0xA5;

uint32_t Read24(const uint8_t* p) { return uint32_t{p[0]} | uint32_t{p[1]} << 8 | uint32_t{p[2]} << 16; }

platform::VirtualClock* g_Clock = nullptr;

// The fabric and the proxy that has discovered it. A command that a handler ran may have changed either
// (the database, the storage systems, a controller's settings), so the next input gets both afresh; a
// command refused before any handler ran leaves them as they were.
class Proxy {
  public:
    explicit Proxy(const sim::FabricModel& model) : model_(model) {}

    void Prepare() {
        if (!dirty_) return;
        if (started_) Stop();
        fabric_ = std::make_unique<sim::Fabric>(model_);
        backend_ = std::make_unique<sim::FabricBackend>(*fabric_);
        platform::SetDeviceBackend(backend_.get());
        g_FirstDiscovery = 0;  // no capture file of the first discovery
        g_StopFlag = 0;
        Check(rreInitialize() == 0);
        started_ = true;
        dirty_ = false;
    }
    void Ran(uint32_t code) {
        const RreCommandInfo* info = FindRreCommand(code);
        if (info != nullptr && info->handler != nullptr) dirty_ = true;
    }
    // Everything the proxy holds goes back to how it was before it started.
    void Stop() {
        if (!started_) return;
        rreTerminate();
        while (g_NumControllers > 0) RemoveController(0);
        nStorageSystem = 0;
        std::memset(gStorageSystems, 0, sizeof gStorageSystems);
        g_CurrentController = -1;
        g_badControllerNumberError = 0;
        g_StopFlag = 0;
        platform::SetDeviceBackend(nullptr);
        backend_.reset();
        fabric_.reset();
        started_ = false;
        dirty_ = true;
    }

  private:
    const sim::FabricModel& model_;
    std::unique_ptr<sim::Fabric> fabric_;
    std::unique_ptr<sim::FabricBackend> backend_;
    bool started_ = false;
    bool dirty_ = true;
};
Proxy* g_Proxy = nullptr;

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    const std::string& root = UseTemporaryMachineRoot("rre_exec_fuzz");
    Check(::chdir(root.c_str()) == 0);
    // Every command and every exchange is printed; keep the run's log readable.
    Check(std::freopen("/dev/null", "w", stdout) != nullptr);

    static platform::VirtualClock clock;  // the retries' sleeps cost nothing
    platform::SetClock(&clock);
    g_Clock = &clock;

    const std::string config = root + "/corlink.conf";
    FILE* file = std::fopen(config.c_str(), "w");
    Check(file != nullptr);
    std::fputs("[Models]\nm1 = Brenlow +Stor.*\n", file);
    std::fclose(file);
    std::snprintf(g_ConfigFile, sizeof g_ConfigFile, "%s", config.c_str());

    static sim::FabricModel model;
    std::string error;
    Check(sim::LoadScenarioFile(SIM_SCENARIO_DIR "/default.ini", &model, &error));
    static Proxy proxy(model);
    g_Proxy = &proxy;
    // The database's receive buffers are freed before the database itself goes at exit.
    std::atexit([] { g_Proxy->Stop(); });
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < kHeaderSize) return 0;
    const uint32_t code = data[0];
    const uint32_t trusted = data[1] & 1;
    const uint32_t length = Read24(data + 2);
    const uint32_t bufferSize = Read24(data + 5) % (HOTLINK_BUFFER_SIZE + 1);
    const uint8_t* prefix = data + kHeaderSize;
    const size_t prefixSize = std::min<size_t>(size - kHeaderSize, std::min(length, bufferSize));

    // The session's buffer, reused (a fresh 4 MiB each input would cost more than most commands do); the
    // caller's buffer is its last bufferSize bytes, so a write past its end leaves the allocation.
    static const std::unique_ptr<uint8_t[]> session(new uint8_t[HOTLINK_BUFFER_SIZE]);
    uint8_t* buffer = bufferSize > 0 ? session.get() + (HOTLINK_BUFFER_SIZE - bufferSize) : nullptr;
    if (bufferSize > 0) {
        std::memset(buffer, kStaleByte, bufferSize);
        std::memset(buffer, 0, std::min(length, bufferSize));
        std::memcpy(buffer, prefix, prefixSize);
    }

    g_Proxy->Prepare();
    Rre rre{code, length, buffer, bufferSize, static_cast<int32_t>(length), trusted};
    rreExecCommand(&rre);
    g_Proxy->Ran(code);
    Check(rre.ReplyLength >= 0 && static_cast<uint32_t>(rre.ReplyLength) <= bufferSize);
    g_Clock->ClearSleeps();
    return 0;
}
