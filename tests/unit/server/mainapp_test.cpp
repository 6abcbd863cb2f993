// The whole TCP server over loopback: listening with port fallback, sessions on their own threads, the
// real listener list, heart beats, the stop event, the discovery thread and the shut-down.
#include "corlink/server/mainapp.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstring>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

#include "corlink/database/database_state.h"
#include "corlink/foundation/nt_os.h"
#include "corlink/foundation/service_params.h"
#include "corlink/handlers/rre.h"
#include "corlink/proxy_protocol/proxy_header.h"
#include "corlink/server/configuration.h"
#include "corlink/server/errmsg.h"
#include "corlink/server/heartbeat.h"
#include "corlink/server/hotlink.h"
#include "corlink/server/login_wait.h"
#include "corlink/server/run_state.h"
#include "corlink/server/server_event.h"
#include "loopback_ports.h"
#include "platform/time/clock.h"
#include "platform/time/system_time.h"
#include "session_test_client.h"
#include "test_pipe_server.h"
#include "tests/support/test_root.h"
#include "tests/unit/server/executor_suite.h"

namespace {

using servertest::CloseSocket;
using servertest::ConnectTo;
using servertest::ConsecutivePorts;
using servertest::ListeningSocket;
using servertest::PortOf;
using servertest::TestPipeServer;
using sessiontest::Message;
using sessiontest::RawClient;
using sessiontest::WordAt;

constexpr char kUser[] = "proxyuser";
constexpr char kPassword[] = "Pa55-word_Sample";
constexpr uint32_t kControl = 3;
constexpr uint32_t kRegisterListener = 7, kRegisterListenerReply = 8, kGoodbye = 14;

// Polls (for real, briefly) until the condition holds; false after 20 s (a loaded machine may be slow).
bool WaitUntil(const std::function<bool()>& condition) {
    for (int i = 0; i < 20000; ++i) {
        if (condition()) return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return condition();
}

int32_t RunningWorkers() {
    int32_t running = 0;
    os_GetCount(g_ThreadCountSem, &running);
    return running;
}

// The controller discovery as the discovery thread sees it: records when it ran.
struct DiscoveryRecord {
    std::mutex m;
    std::vector<uint64_t> ranAt;
} g_DiscoveryRecord;

int RecordDiscovery() {
    std::lock_guard<std::mutex> g(g_DiscoveryRecord.m);
    g_DiscoveryRecord.ranAt.push_back(platform::GetClock().MonotonicMs());
    return 0;
}

class Server : public ExecutorSuite {
  protected:
    void SetUp() override {
        std::strcpy(g_ProxyUser, kUser);
        std::strcpy(g_ProxyPassword, kPassword);
        previousDebugConsole_ = g_DebugConsole;
        g_DebugConsole = true;  // status reports succeed as in a console run
        g_IpsMode = false;
        g_DiscoveryFlag = 0;
        NewSemaphores();
        {
            std::lock_guard<std::mutex> g(g_DiscoveryRecord.m);
            g_DiscoveryRecord.ranAt.clear();
        }
        app_ = std::make_unique<CMainApp>(RecordDiscovery);
    }

    void TearDown() override {
        EXPECT_TRUE(ShutDown()) << "every worker thread ended";
        app_->StopProgram();
        app_.reset();
        CloseSemaphores();
        ClearProxyConfig();
        g_DebugConsole = previousDebugConsole_;
    }

    void NewSemaphores() {
        g_ShutDownSem = os_CreateSemaphore(nullptr);
        g_ThreadCountSem = os_CreateSemaphore(nullptr);
        ASSERT_NE(g_ShutDownSem, nullptr);
        ASSERT_NE(g_ThreadCountSem, nullptr);
    }
    void CloseSemaphores() {
        os_CloseSemaphore(g_ShutDownSem);
        os_CloseSemaphore(g_ThreadCountSem);
        g_ShutDownSem = nullptr;
        g_ThreadCountSem = nullptr;
    }

    void Start() {
        std::vector<int> port = ConsecutivePorts(1);
        ASSERT_EQ(port.size(), 1u);
        g_ServerPort = PortOf(port[0]);
        CloseSocket(port[0]);
        app_->InitLock();
        app_->Listen();
        app_->Run();
        // Counted before they start: a shut-down right after Run still waits for both.
        ASSERT_EQ(RunningWorkers(), 2) << "accept and discovery threads";
    }

    // As the run's shut-down does: mark every socket closing, raise the flag, wait for the workers.
    bool ShutDown() {
        app_->ShutDownAllSockets();
        app_->Kill();
        os_SetFlag(g_ShutDownSem);
        return WaitUntil([] { return RunningWorkers() == 0; });
    }

    platform::VirtualClock& UseVirtualTime() { return clock_.emplace().get(); }

    std::unique_ptr<RawClient> Connect() {
        int fd = ConnectTo(app_->BoundPort());
        EXPECT_GE(fd, 0);
        return std::make_unique<RawClient>(fd);
    }

    void LogIn(RawClient& client) { ASSERT_EQ(client.Login(kUser, kPassword).at(0), 1u); }

    bool SendControl(RawClient& client, uint32_t opCode, const std::vector<uint8_t>& data) {
        client.sequence++;
        return client.Send(kControl, opCode, data, client.sequence,
                           sessiontest::ExpectedCookie(client.base, client.sequence));
    }

    void RegisterListener(RawClient& client, uint16_t number) {
        ASSERT_TRUE(SendControl(client, kRegisterListener,
                                {static_cast<uint8_t>(number >> 8), static_cast<uint8_t>(number & 0xFF)}));
        Message reply;
        ASSERT_TRUE(client.Read(&reply));
        EXPECT_EQ(reply.opCode, kRegisterListenerReply);
    }

    std::vector<uint16_t> ListenerNumbers() {
        std::vector<uint16_t> numbers;
        ListenerList& listeners = app_->Listeners();
        if (!listeners.Lock()) return numbers;
        listeners.ForEach([&](CClient* client) { numbers.push_back(client->m_Number); });
        listeners.Unlock();
        return numbers;
    }

    int SessionCount() {
        SessionList& sessions = app_->Sessions();
        if (!sessions.Lock()) return -1;
        int count = sessions.GetCount();
        sessions.Unlock();
        return count;
    }

    // Virtual time for the tests that wait for the server's periods. It is installed on demand only:
    // under it every idle socket loop spins through its 2-ms pauses at full speed, and a wait that
    // another thread would satisfy (a listener's pipe answering) has only a brief real moment.
    // Declared first, so that it outlives every thread the test started.
    std::optional<platform::ScopedVirtualClock> clock_;
    testsupport::TestRoot root_;
    bool previousDebugConsole_ = false;
    std::unique_ptr<CMainApp> app_;
};

TEST_F(Server, ListensOnTheConfiguredPortOrOneOfTheTwoAbove) {
    for (int busy = 0; busy <= LISTEN_PORT_TRIES; ++busy) {
        std::vector<int> ports = ConsecutivePorts(LISTEN_PORT_TRIES);
        ASSERT_EQ(ports.size(), static_cast<size_t>(LISTEN_PORT_TRIES));
        const uint16_t first = PortOf(ports[0]);
        for (size_t i = static_cast<size_t>(busy); i < ports.size(); ++i) CloseSocket(ports[i]);
        g_ServerPort = first;

        CMainApp app(RecordDiscovery);
        if (busy < LISTEN_PORT_TRIES) {
            app.Listen();
            EXPECT_EQ(app.BoundPort(), first + busy) << busy << " ports busy";
            EXPECT_GE(ConnectTo(app.BoundPort()), 0);
        } else {
            try {
                app.Listen();
                ADD_FAILURE() << "no port left, yet Listen succeeded";
            } catch (CErrMsg* error) {
                EXPECT_EQ(error->Code(), COMM_ERR_BIND);
                EXPECT_EQ(error->Kind(), COMM_KIND_SERVER_START);
                EXPECT_EQ(error->Category(), COMM_CATEGORY_COMMUNICATION);
                EXPECT_EQ(app.BoundPort(), 0);
                delete error;
            }
        }
        for (int i = 0; i < busy; ++i) CloseSocket(ports[static_cast<size_t>(i)]);
        app.CloseAllConnection();
    }
}

TEST_F(Server, ListensOnLoopbackOnlyOutsideIpsRunsWhateverTheConfigurationSays) {
    struct Case {
        bool ips;
        bool reachableOnOtherLoopbackAddress;
    };
    for (const Case& c : {Case{false, false}, Case{true, true}}) {
        std::vector<int> port = ConsecutivePorts(1);
        ASSERT_EQ(port.size(), 1u);
        g_ServerPort = PortOf(port[0]);
        CloseSocket(port[0]);
        g_ListenAddress = 0;  // every interface
        g_IpsMode = c.ips;
        CMainApp app(RecordDiscovery);
        app.Listen();
        int fd = ConnectTo(app.BoundPort(), "127.0.0.2");
        EXPECT_EQ(fd >= 0, c.reachableOnOtherLoopbackAddress) << "ips " << c.ips;
        CloseSocket(fd);
        app.CloseAllConnection();
    }
    g_IpsMode = false;
}

TEST_F(Server, AcceptedConnectionIsServedOnItsOwnThreadUntilThePeerCloses) {
    Start();
    std::unique_ptr<RawClient> client = Connect();
    ASSERT_TRUE(client->Send(kControl, 1, {'h', 'i'}));
    Message reply;
    ASSERT_TRUE(client->Read(&reply));
    EXPECT_EQ(reply.opCode, 2u);
    EXPECT_EQ(WordAt(reply.data, 0), 0x00020501u);
    EXPECT_EQ(SessionCount(), 1);
    EXPECT_EQ(RunningWorkers(), 3);

    client->Close();
    EXPECT_TRUE(WaitUntil([&] { return SessionCount() == 0 && RunningWorkers() == 2; }));
}

// Connections not yet logged in take at most LOGIN_WAIT_CAP places: one more is closed at once, a
// logged-in client is served meanwhile, and a login gives its place to the next connection.
TEST_F(Server, ConnectionsBeyondTheCapOfThoseNotLoggedInAreClosedAtOnce) {
    Start();
    std::unique_ptr<RawClient> member = Connect();
    LogIn(*member);
    std::vector<std::unique_ptr<RawClient>> waiting;
    for (int i = 0; i < LOGIN_WAIT_CAP; ++i) waiting.push_back(Connect());
    ASSERT_TRUE(WaitUntil([&] { return SessionCount() == LOGIN_WAIT_CAP + 1; }));

    std::unique_ptr<RawClient> beyond = Connect();
    EXPECT_TRUE(beyond->ServerClosed());
    ASSERT_TRUE(member->Send(kControl, 1, {'h', 'i'}));
    Message reply;
    ASSERT_TRUE(member->Read(&reply));
    EXPECT_EQ(reply.opCode, 2u);

    LogIn(*waiting[0]);
    std::unique_ptr<RawClient> next = Connect();
    LogIn(*next);
}

TEST_F(Server, GoodbyeRemovesTheListenerAndClosesTheConnection) {
    Start();
    std::unique_ptr<RawClient> client = Connect();
    LogIn(*client);
    RegisterListener(*client, 4242);
    EXPECT_EQ(ListenerNumbers(), std::vector<uint16_t>{4242});

    ASSERT_TRUE(SendControl(*client, kGoodbye, {}));
    EXPECT_TRUE(client->ServerClosed());
    EXPECT_TRUE(ListenerNumbers().empty());
    EXPECT_TRUE(WaitUntil([&] { return SessionCount() == 0; }));
}

TEST_F(Server, SessionThatDropsItsConnectionTakesItsListenersAlong) {
    Start();
    std::unique_ptr<RawClient> client = Connect();
    LogIn(*client);
    RegisterListener(*client, 4243);
    RegisterListener(*client, 4245);
    EXPECT_EQ(ListenerNumbers(), (std::vector<uint16_t>{4243, 4245}));
    client->Close();
    EXPECT_TRUE(WaitUntil([&] { return ListenerNumbers().empty() && SessionCount() == 0; }));
}

TEST_F(Server, ListenerRegisteredByASessionGetsHeartBeatsThroughItsPipe) {
    Start();
    TestPipeServer pipe(4246, true);
    ASSERT_TRUE(pipe.Created());
    std::unique_ptr<RawClient> client = Connect();
    LogIn(*client);
    RegisterListener(*client, 4246);
    Sendheartbeat(0, 0, reinterpret_cast<DWORD_PTR>(&app_->Listeners()), 0, 0);
    EXPECT_EQ(pipe.Messages().size(), 1u);
    EXPECT_EQ(ListenerNumbers(), std::vector<uint16_t>{4246});

    ASSERT_TRUE(client->Send(kControl, 1, {}));  // the session goes on
    Message reply;
    EXPECT_TRUE(client->Read(&reply));
}

TEST_F(Server, FailedHeartBeatOfTheTimerRemovesTheListenerAndEndsItsSession) {
    UseVirtualTime();
    Start();
    std::unique_ptr<RawClient> client = Connect();
    LogIn(*client);
    RegisterListener(*client, 4244);  // no pipe is served for it
    // The timer starts once the registration was answered: a heart beat in between would end the
    // session before its reply.
    app_->AsyncEventSetup();
    EXPECT_TRUE(WaitUntil([&] { return ListenerNumbers().empty(); })) << "the next heart beat fails";
    EXPECT_TRUE(client->ServerClosed());
    EXPECT_TRUE(WaitUntil([&] { return SessionCount() == 0; }));
}

TEST_F(Server, StopEventReachesEveryListenerThatAcceptsTheConnection) {
    Start();
    int listening = ListeningSocket(0);
    ASSERT_GE(listening, 0);
    int closedPort = ListeningSocket(0);
    const uint16_t unreachable = PortOf(closedPort);
    CloseSocket(closedPort);

    std::unique_ptr<RawClient> client = Connect();
    LogIn(*client);
    RegisterListener(*client, unreachable);
    RegisterListener(*client, PortOf(listening));

    app_->SendServerStopEvent();
    int connection = servertest::AcceptWithin(listening, 5000);
    ASSERT_GE(connection, 0);
    RawClient listener(connection);
    uint8_t bytes[PROXY_HEADER_LENGTH + SERVER_STOP_EVENT_LENGTH];
    ASSERT_TRUE(listener.ReadExactly(bytes, sizeof bytes));
    CloseSocket(listening);

    EXPECT_EQ(std::memcmp(bytes, "KESTRAVON\0\0\0", 12), 0);
    const std::vector<uint8_t> header(bytes, bytes + PROXY_HEADER_LENGTH);
    EXPECT_EQ(WordAt(header, 20), 4u) << "PROXY_EVENT";
    EXPECT_EQ(WordAt(header, 24), 0u);
    EXPECT_EQ(WordAt(header, 32), SERVER_STOP_EVENT_LENGTH);
    const std::vector<uint8_t> event(bytes + PROXY_HEADER_LENGTH, bytes + sizeof bytes);
    EXPECT_EQ(WordAt(event, 0), 3u);
    EXPECT_EQ(WordAt(event, 12), 2u);
    SYSTEMTIME now;
    GetLocalTime(&now);
    EXPECT_EQ(event[6], now.wYear - 1900) << "years since 1900 (126 in 2026)";
    EXPECT_GE(event[4], 1);
    EXPECT_LE(event[4], 12);
    EXPECT_EQ(event[11], 0);
    EXPECT_EQ(std::vector<uint8_t>(event.begin() + 16, event.end()), std::vector<uint8_t>(40, 0));
    EXPECT_EQ(ListenerNumbers().size(), 2u) << "an unreachable listener stays registered";
}

TEST_F(Server, ShutDownEndsEverySessionAndTheServerThreads) {
    Start();
    std::unique_ptr<RawClient> client = Connect();
    ASSERT_TRUE(client->Send(kControl, 1, {}));
    Message reply;
    ASSERT_TRUE(client->Read(&reply));
    ASSERT_EQ(RunningWorkers(), 3);

    EXPECT_TRUE(ShutDown());
    EXPECT_TRUE(client->ServerClosed());
    EXPECT_EQ(SessionCount(), 0);
}

// A connection accepted just before the shut-down whose thread lists its session only after the
// sessions were marked: the session still lets go of its client at once.
TEST_F(Server, SessionListedAfterTheShutDownMarkingEndsAtOnce) {
    Start();
    app_->ShutDownAllSockets();
    int listening = ListeningSocket(0);
    ASSERT_GE(listening, 0);
    RawClient client(ConnectTo(PortOf(listening)));
    const int accepted = servertest::AcceptWithin(listening, 5000);
    CloseSocket(listening);
    ASSERT_GE(accepted, 0);
    auto* socket = new CRRESocket;
    socket->Attach(static_cast<SOCKET>(accepted));
    auto* entry = new SessionEntry{app_.get(), socket, new CHotLink(socket)};
    os_ReleaseSemaphore(g_ThreadCountSem);  // as the accept thread does
    std::thread session(CMainApp::ProcessMsg, entry);

    EXPECT_TRUE(client.ServerClosed()) << "the session ended without its client closing";
    client.Close();  // ends the session either way
    session.join();
    EXPECT_EQ(SessionCount(), 0);
}

TEST_F(Server, DiscoveryThreadRediscoversEveryPeriodOnlyWhileSwitchedOn) {
    platform::VirtualClock& clock = UseVirtualTime();
    for (uint8_t flag : {0, 1}) {
        g_DiscoveryFlag = flag;
        {
            std::lock_guard<std::mutex> g(g_DiscoveryRecord.m);
            g_DiscoveryRecord.ranAt.clear();
        }
        const uint64_t start = clock.MonotonicMs();
        constexpr uint64_t kPeriodMs = DISCOVERY_PERIOD_SECONDS * 1000ULL;
        os_ReleaseSemaphore(g_ThreadCountSem);  // as its starter does
        std::thread discovery(CMainApp::Discovery, app_.get());
        // Past the third wake-up: the thread has made that period's decision and sleeps again.
        EXPECT_TRUE(WaitUntil([&] { return clock.MonotonicMs() - start >= 3 * kPeriodMs + 1000; }));
        os_SetFlag(g_ShutDownSem);
        discovery.join();
        EXPECT_EQ(RunningWorkers(), 0);

        std::vector<uint64_t> ranAt;
        {
            std::lock_guard<std::mutex> g(g_DiscoveryRecord.m);
            ranAt = g_DiscoveryRecord.ranAt;
        }
        if (flag == 0) {
            EXPECT_TRUE(ranAt.empty());
        } else {
            ASSERT_GE(ranAt.size(), 3u);
            for (size_t i = 0; i < ranAt.size(); ++i) EXPECT_EQ(ranAt[i] - start, kPeriodMs * (i + 1));
        }
        CloseSemaphores();
        NewSemaphores();
    }
}

}  // namespace
