// The provider object against the scripted proxy: its life (every object set up on its own, one proxy
// session per process that ends with the last loaded object), its interfaces, the snapshot-set state
// machine with its checks and failure path, and the proxy's periodic discovery switched on again at every
// end of a set.
#include "provider/vss/hardware_provider.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "corlink/proxy_wire/controller_list_wire.h"
#include "corlink/proxy_wire/proxy_commands.h"
#include "platform/com/type_library.h"
#include "provider/controllers/capi_raid_controller.h"
#include "provider/controllers/heartbeat_listener.h"
#include "provider/controllers/provider_parameters.h"
#include "provider/vss/provider_ids.h"
#include "provider/vss/provider_module.h"
#include "tests/unit/provider/provider_peer.h"
#include "tests/unit/provider/session_fixture.h"

namespace {

using providertest::ProxyMessage;
using Peer = BVSS_HardwareProviderTestPeer;

constexpr VSS_ID kSet = {0x01234567, 0x89AB, 0xCDEF, {0x01, 0x23, 0x45, 0x67, 0x89, 0xAB, 0xCD, 0xEF}};
constexpr VSS_ID kOtherSet = {0x76543210, 0x89AB, 0xCDEF, {0x01, 0x23, 0x45, 0x67, 0x89, 0xAB, 0xCD, 0xEF}};

class HardwareProviderTest : public providertest::SessionTest {
  protected:
    // The proxy lists no storage system and answers every other request with success.
    void SetUp() override {
        SessionTest::SetUp();
        proxy_.SetScript([](const ProxyMessage& request) {
            const uint32_t length =
                request.header.OpCode == RRE_GET_CONTROLLERHANDLEDB ? RRE_HANDLE_DB_LENGTH : 8;
            return providertest::ScriptAction{
                {providertest::ReplyTo(request, providertest::ReplyData(length, 0, 0))}, false};
        });
    }
    void TearDown() override {
        for (ComObject<BVSS_HardwareProvider>* provider : providers_) provider->Release();
        providers_.clear();
        EXPECT_EQ(module_.Count(), 0);
        SessionTest::TearDown();
    }
    // A new provider object holding one reference (released by the fixture).
    ComObject<BVSS_HardwareProvider>* Create() {
        ComObject<BVSS_HardwareProvider>* provider = ComObject<BVSS_HardwareProvider>::New(&module_, nullptr);
        provider->Inner()->AddRef();
        providers_.push_back(provider);
        return provider;
    }
    void Release(ComObject<BVSS_HardwareProvider>* provider) {
        std::erase(providers_, provider);
        provider->Release();
    }
    // The flags of the discovery-flag requests the proxy received, in order.
    std::vector<int> DiscoveryFlags() {
        std::vector<int> flags;
        for (const ProxyMessage& m : proxy_.Messages()) {
            if (m.header.DataType == PROXY_REQUEST && m.header.OpCode == RRE_SET_DISCOVERY_FLAG &&
                m.data.size() > 8)
                flags.push_back(m.data[8]);
        }
        return flags;
    }
    size_t Requests() {
        size_t n = 0;
        for (const ProxyMessage& m : proxy_.Messages()) n += m.header.DataType == PROXY_REQUEST ? 1 : 0;
        return n;
    }
    size_t Requests(uint32_t opCode) {
        size_t n = 0;
        for (const ProxyMessage& m : proxy_.Messages())
            n += m.header.DataType == PROXY_REQUEST && m.header.OpCode == opCode ? 1 : 0;
        return n;
    }
    std::string Events() const { return root_.ReadFile("eventlog/Application.log"); }

    ComModule module_;
    std::vector<ComObject<BVSS_HardwareProvider>*> providers_;
};

TEST_F(HardwareProviderTest, EveryObjectSetsItselfUpAndTheSessionEndsWithTheLastLoadedObject) {
    ComObject<BVSS_HardwareProvider>* first = Create();
    EXPECT_EQ(proxy_.Logins(), 1);
    EXPECT_TRUE(BVSS_HardwareProvider::SessionAlive());
    // The first object's state is its own.
    ASSERT_EQ(first->BeginPrepareSnapshot(kSet, kSet, 0, 0, nullptr, nullptr), S_OK);

    ComObject<BVSS_HardwareProvider>* second = Create();
    EXPECT_EQ(proxy_.Logins(), 1);  // the session is started once per process
    EXPECT_EQ(BVSS_HardwareProvider::InstanceCount(), 2);
    EXPECT_EQ(Peer::Set(*second).State(), SnapshotSetState::None);
    EXPECT_EQ(Peer::Set(*second).Context(), VSS_VOLSNAP_ATTR_DIFFERENTIAL);
    EXPECT_TRUE(Peer::Set(*second).Id() == VSS_ID{});
    EXPECT_EQ(second->AbortSnapshots(kSet), S_OK);  // its own lock works
    EXPECT_EQ(Peer::Set(*first).State(), SnapshotSetState::Preparing);

    // Unloading one object keeps the session for the other; the last object's destructor, without an
    // unload, ends it.
    EXPECT_EQ(first->OnUnload(FALSE), S_OK);
    EXPECT_EQ(Peer::Set(*first).State(), SnapshotSetState::None);
    EXPECT_TRUE(BVSS_HardwareProvider::SessionAlive());
    EXPECT_EQ(Count("Entering: ProxyUnInit"), 0u);
    Release(first);
    EXPECT_EQ(Count("Entering: ProxyUnInit"), 0u);
    Release(second);
    EXPECT_EQ(Count("Entering: ProxyUnInit"), 1u);
    EXPECT_FALSE(BVSS_HardwareProvider::SessionAlive());
    EXPECT_EQ(BVSS_HardwareProvider::InstanceCount(), 0);

    // A new object starts the session again.
    Create();
    EXPECT_EQ(proxy_.Logins(), 2);
}

TEST_F(HardwareProviderTest, OneObjectsUnloadEndsOnlyItsOwnWaits) {
    ComObject<BVSS_HardwareProvider>* first = Create();
    ComObject<BVSS_HardwareProvider>* second = Create();
    EXPECT_EQ(first->OnUnload(FALSE), S_OK);
    // A wait for full copies of the second object still runs its time; one of the first ends at once.
    EXPECT_EQ(Peer::Controllers(*second).mUnload.WaitUnlessUnloading(0), S_OK);
    EXPECT_EQ(Peer::Controllers(*first).mUnload.WaitUnlessUnloading(0), VSS_E_PROVIDER_VETO);
}

// The library holds the session's and the pipe thread's code: with no object of its own alive, it still
// refuses to be unloaded while either lives.
TEST_F(HardwareProviderTest, TheLibraryStaysWhileTheSessionOrItsPipeThreadLives) {
    CBrenlowHardwareProviderModule& library = ProviderModule();
    ASSERT_EQ(library.Objects().Count(), 0);
    EXPECT_EQ(library.DllCanUnloadNow(), S_OK);
    // counted in the fixture's module, not the library's
    ComObject<BVSS_HardwareProvider>* provider = Create();
    EXPECT_EQ(library.DllCanUnloadNow(), S_FALSE);
    EXPECT_EQ(provider->OnUnload(FALSE), S_OK);
    EXPECT_EQ(library.DllCanUnloadNow(), S_OK);

    ASSERT_EQ(create_listen(), 0);  // a pipe thread that outlived its session
    EXPECT_EQ(library.DllCanUnloadNow(), S_FALSE);
    stop_listener();
    EXPECT_EQ(library.DllCanUnloadNow(), S_OK);
}

TEST_F(HardwareProviderTest, InterfacesAnswerInTheirTablesAndTheOperationsWithoutWorkTouchNothing) {
    ComObject<BVSS_HardwareProvider>* provider = Create();
    IUnknown* unknown = provider->Inner();
    auto ask = [&](const IID& iid) {
        void* object = nullptr;
        EXPECT_EQ(unknown->QueryInterface(iid, &object), S_OK);
        static_cast<IUnknown*>(object)->Release();
        return object;
    };
    EXPECT_EQ(ask(IID_IDispatch), ask(IID_IBVSS_HardwareProvider));
    EXPECT_EQ(ask(IID_IVssHardwareSnapshotProvider), ask(IID_IVssHardwareSnapshotProviderEx));
    EXPECT_EQ(ask(IID_IVssProviderCreateSnapshotSet), static_cast<IVssProviderCreateSnapshotSet*>(provider));
    EXPECT_EQ(ask(IID_IVssProviderNotifications), static_cast<IVssProviderNotifications*>(provider));
    EXPECT_EQ(ask(IID_IProvideClassInfo), static_cast<IProvideClassInfo*>(provider));
    void* none = nullptr;
    EXPECT_EQ(unknown->QueryInterface(IID_IClassFactory, &none), E_NOINTERFACE);

    ULONGLONG mask = 0x1234;
    EXPECT_EQ(provider->GetProviderCapabilities(&mask), E_NOTIMPL);
    EXPECT_EQ(mask, 0x1234u);
    EXPECT_EQ(provider->OnReuseLuns(nullptr, nullptr, 1), E_NOTIMPL);
    EXPECT_EQ(provider->OnLoad(nullptr), S_OK);
    EXPECT_EQ(provider->PreFinalCommitSnapshots(kOtherSet), S_OK);
}

// A type's name and help string, as GetDocumentation gives them.
std::pair<std::wstring, std::wstring> Documentation(ITypeInfo* info) {
    BSTR name = nullptr;
    BSTR help = nullptr;
    EXPECT_EQ(info->GetDocumentation(MEMBERID_NIL, &name, &help, nullptr, nullptr), S_OK);
    std::pair<std::wstring, std::wstring> texts{name != nullptr ? name : L"", help != nullptr ? help : L""};
    SysFreeString(name);
    SysFreeString(help);
    return texts;
}

TEST_F(HardwareProviderTest, DispatchAndClassInformationComeFromTheTypeLibrary) {
    ComObject<BVSS_HardwareProvider>* provider = Create();
    IDispatch* dispatch = nullptr;
    ASSERT_EQ(provider->Inner()->QueryInterface(IID_IDispatch, reinterpret_cast<void**>(&dispatch)), S_OK);
    UINT count = 0;
    EXPECT_EQ(dispatch->GetTypeInfoCount(&count), S_OK);
    EXPECT_EQ(count, 1u);

    ITypeInfo* info = reinterpret_cast<ITypeInfo*>(1);
    EXPECT_EQ(dispatch->GetTypeInfo(1, 0, &info), DISP_E_BADINDEX);
    EXPECT_EQ(info, nullptr);
    ASSERT_EQ(dispatch->GetTypeInfo(0, 0, &info), S_OK);
    TYPEATTR* attributes = nullptr;
    ASSERT_EQ(info->GetTypeAttr(&attributes), S_OK);
    EXPECT_TRUE(attributes->guid == IID_IBVSS_HardwareProvider);
    EXPECT_EQ(attributes->typekind, TKIND_DISPATCH);
    EXPECT_NE(attributes->wTypeFlags & TYPEFLAG_FDUAL, 0);
    EXPECT_EQ(attributes->cFuncs, 0) << "no methods of its own";
    info->ReleaseTypeAttr(attributes);
    EXPECT_EQ(Documentation(info), std::make_pair(std::wstring(L"IBVSS_HardwareProvider"),
                                                  std::wstring(L"IBVSS_HardwareProvider Interface")));
    ITypeLib* library = nullptr;
    ASSERT_EQ(info->GetContainingTypeLib(&library, nullptr), S_OK);
    BSTR name = nullptr;
    BSTR help = nullptr;
    EXPECT_EQ(library->GetDocumentation(-1, &name, &help, nullptr, nullptr), S_OK);
    EXPECT_EQ(std::wstring(name), L"DOVURERUDOredezor");
    EXPECT_EQ(std::wstring(help), L"CAPI PS VSS Hardware Provider 1.0 Type Library");
    SysFreeString(name);
    SysFreeString(help);
    TLIBATTR* libraryAttributes = nullptr;
    ASSERT_EQ(library->GetLibAttr(&libraryAttributes), S_OK);
    EXPECT_TRUE(libraryAttributes->guid == LIBID_BrenlowHardwareProvider);
    EXPECT_EQ(libraryAttributes->wMajorVerNum, 1);
    EXPECT_EQ(libraryAttributes->wMinorVerNum, 0);
    library->ReleaseTLibAttr(libraryAttributes);
    library->Release();
    info->Release();

    // The interface has no members: every name is unknown, every call refused.
    WCHAR onLoad[] = L"OnLoad";
    WCHAR unknownName[] = L"Anything";
    LPOLESTR names[] = {onLoad, unknownName};
    DISPID ids[2] = {7, 7};
    EXPECT_EQ(dispatch->GetIDsOfNames(IID_IUnknown, names, 2, 0, ids), DISP_E_UNKNOWNNAME);
    EXPECT_EQ(ids[0], MEMBERID_NIL);
    EXPECT_EQ(ids[1], MEMBERID_NIL);
    EXPECT_EQ(dispatch->Invoke(1, IID_IUnknown, 0, 1, nullptr, nullptr, nullptr, nullptr),
              DISP_E_MEMBERNOTFOUND);
    dispatch->Release();

    ITypeInfo* classInfo = nullptr;
    ASSERT_EQ(provider->GetClassInfo(&classInfo), S_OK);
    ASSERT_EQ(classInfo->GetTypeAttr(&attributes), S_OK);
    EXPECT_TRUE(attributes->guid == CLSID_BVSS_HardwareProvider);
    EXPECT_EQ(attributes->typekind, TKIND_COCLASS);
    EXPECT_NE(attributes->wTypeFlags & TYPEFLAG_FCANCREATE, 0);
    classInfo->ReleaseTypeAttr(attributes);
    EXPECT_EQ(Documentation(classInfo), std::make_pair(std::wstring(L"BVSS_HardwareProvider"),
                                                       std::wstring(L"BVSS_HardwareProvider Class")));
    classInfo->Release();
    EXPECT_EQ(provider->GetClassInfo(nullptr), E_POINTER);
}

TEST_F(HardwareProviderTest, ContextTestKeepsExactlyOneKindAfterTheDefault) {
    ComObject<BVSS_HardwareProvider>* provider = Create();
    const struct {
        LONG context;
        BOOL supported;
        int32_t stored;
    } cases[] = {
        // clang-format off
        {0, TRUE, VSS_VOLSNAP_ATTR_DIFFERENTIAL},
        {0x8, TRUE, 0x8 | VSS_VOLSNAP_ATTR_DIFFERENTIAL},
        {VSS_VOLSNAP_ATTR_PLEX, TRUE, VSS_VOLSNAP_ATTR_PLEX},
        {VSS_VOLSNAP_ATTR_PLEX | VSS_VOLSNAP_ATTR_DIFFERENTIAL, FALSE, 0x60000},
        {VSS_CTX_ALL, TRUE, 0x60000},  // leaves the stored context as it was
        // clang-format on
    };
    for (const auto& c : cases) {
        EXPECT_EQ(provider->isSupportedContext(c.context), c.supported) << c.context;
        EXPECT_EQ(Peer::Set(*provider).Context(), c.stored) << c.context;
    }
}

// One call of a sequence method in a given state: its result, the state after it, and the discovery flags
// it sent the proxy.
struct SequenceCase {
    const char* name;
    SnapshotSetState state;
    HRESULT (BVSS_HardwareProvider::*method)(VSS_ID);
    bool rightSet;
    HRESULT result;
    SnapshotSetState stateAfter;
    std::vector<int> flags;
    const char* event;  // an error event it writes, or null
};

class SequenceStates : public HardwareProviderTest, public ::testing::WithParamInterface<SequenceCase> {};

TEST_P(SequenceStates, CheckStateThenSetAndTakeTheFailurePath) {
    const SequenceCase& c = GetParam();
    ComObject<BVSS_HardwareProvider>* provider = Create();
    Peer::PutSetIn(*provider, c.state, kSet);
    EXPECT_EQ((provider->*c.method)(c.rightSet ? kSet : kOtherSet), c.result);
    EXPECT_EQ(Peer::Set(*provider).State(), c.stateAfter);
    EXPECT_EQ(DiscoveryFlags(), c.flags);
    // The failure path forgets the set; success keeps it.
    EXPECT_EQ(Peer::Set(*provider).Id() == kSet, c.result == S_OK);
    if (c.event != nullptr) {
        EXPECT_NE(Events().find(c.event), std::string::npos) << Events();
    }
}

using P = BVSS_HardwareProvider;
using S = SnapshotSetState;
INSTANTIATE_TEST_SUITE_P(
    StateMachine, SequenceStates,
    ::testing::Values(
        SequenceCase{"EndPrepareInOrder",
                     S::Preparing,
                     &P::EndPrepareSnapshots,
                     true,
                     S_OK,
                     S::Prepared,
                     {0},
                     nullptr},
        SequenceCase{"EndPrepareOutOfOrder",
                     S::None,
                     &P::EndPrepareSnapshots,
                     true,
                     VSS_E_PROVIDER_VETO,
                     S::Failed,
                     {},
                     "EndPrepareSnapshots called out of order"},
        SequenceCase{"PreCommitInOrder",
                     S::Prepared,
                     &P::PreCommitSnapshots,
                     true,
                     S_OK,
                     S::PreCommitted,
                     {},
                     nullptr},
        SequenceCase{"PreCommitForAnotherSet",
                     S::Prepared,
                     &P::PreCommitSnapshots,
                     false,
                     VSS_E_OBJECT_NOT_FOUND,
                     S::Failed,
                     {1},
                     "Unexpected snapshot set ID during PreCommitSnapshots"},
        SequenceCase{
            "CommitInOrder", S::PreCommitted, &P::CommitSnapshots, true, S_OK, S::Committed, {}, nullptr},
        SequenceCase{"CommitTwice",
                     S::Committed,
                     &P::CommitSnapshots,
                     true,
                     VSS_E_PROVIDER_VETO,
                     S::Failed,
                     {1},
                     "CommitSnapshots called out of order"},
        SequenceCase{"PostCommitInOrder",
                     S::Committed,
                     &P::PostCommitSnapshots,
                     true,
                     S_OK,
                     S::Completed,
                     {1},
                     nullptr},
        SequenceCase{"PostCommitOutOfOrder",
                     S::PreCommitted,
                     &P::PostCommitSnapshots,
                     true,
                     VSS_E_PROVIDER_VETO,
                     S::Failed,
                     {1},
                     "PostCommitSnapshots called out of order"},
        SequenceCase{"PostCommitForAnotherSet",
                     S::Committed,
                     &P::PostCommitSnapshots,
                     false,
                     VSS_E_OBJECT_NOT_FOUND,
                     S::Failed,
                     {1},
                     "Unexpected snapshot set ID during PostCommitSnapshots"}),
    [](const ::testing::TestParamInfo<SequenceCase>& row) { return std::string(row.param.name); });

TEST_F(HardwareProviderTest, DiscoverySwitchedOffIsSwitchedOnAgainByAbortAndUnload) {
    ComObject<BVSS_HardwareProvider>* provider = Create();
    ASSERT_EQ(provider->BeginPrepareSnapshot(kSet, kSet, 0, 0, nullptr, nullptr), S_OK);
    ASSERT_EQ(provider->EndPrepareSnapshots(kSet), S_OK);
    EXPECT_EQ(provider->AbortSnapshots(kOtherSet), S_OK);  // any set, any state
    EXPECT_EQ(Peer::Set(*provider).State(), SnapshotSetState::Failed);
    EXPECT_TRUE(Peer::Set(*provider).Id() == VSS_ID{});
    EXPECT_EQ(provider->AbortSnapshots(kSet), S_OK);  // discovery is on: nothing more to switch
    EXPECT_EQ(DiscoveryFlags(), (std::vector<int>{0, 1}));

    ASSERT_EQ(provider->BeginPrepareSnapshot(kSet, kSet, 0, 0, nullptr, nullptr), S_OK);
    ASSERT_EQ(provider->EndPrepareSnapshots(kSet), S_OK);
    EXPECT_EQ(provider->OnUnload(FALSE), S_OK);
    EXPECT_EQ(Peer::Set(*provider).State(), SnapshotSetState::None);
    EXPECT_EQ(DiscoveryFlags(), (std::vector<int>{0, 1, 0, 1}));
}

TEST_F(HardwareProviderTest, AFailedDeletionKeepsTheSetAndTheNextDeletionSkipsWhatWasDeleted) {
    ComObject<BVSS_HardwareProvider>* provider = Create();
    auto live = std::make_unique<BVSS_CapiRaidController>();
    auto retired = std::make_unique<BVSS_CapiRaidController>();
    live->mHandle = 0x100;
    retired->Retire();  // its commands fail with VSS_E_PROVIDER_VETO
    Peer::Luns(*provider).resize(4);
    BVSS_CapiRaidController* owners[4] = {live.get(), live.get(), retired.get(), live.get()};
    for (int i = 0; i < 4; ++i) {
        BVSS_SnapshotInfo& entry = Peer::Luns(*provider)[i];
        entry.mCreated = i != 1;  // an entry the array never made is not asked for
        entry.mSnapshot.mController = owners[i];
        entry.mSnapshot.mSerialNumber[0] = static_cast<BYTE>(0xA0 + i);
    }
    Peer::PutSetIn(*provider, SnapshotSetState::Prepared, kSet);

    // The identifier check fails; the failure path's deletion fails at the third entry: the method answers
    // the deletion's failure, the fourth entry is not tried, and the set stays as it was (state included).
    EXPECT_EQ(provider->PreCommitSnapshots(kOtherSet), VSS_E_PROVIDER_VETO);
    EXPECT_EQ(Requests(RRE_DELETE_PART), 1u);
    EXPECT_EQ(Peer::Luns(*provider).size(), 4u);
    EXPECT_TRUE(Peer::Set(*provider).Id() == kSet);
    EXPECT_EQ(Peer::Set(*provider).State(), SnapshotSetState::Prepared);
    EXPECT_NE(Events().find("DeleteAbortedSnapshots() unable to delete snapshot for LUN:serial number="
                            "a2000000000000000000000000000000."),
              std::string::npos)
        << Events();

    // Once every created snapshot can be deleted, an abort empties the list and forgets the set; the
    // snapshot deleted before is not asked for again.
    Peer::Luns(*provider)[2].mSnapshot.mController = live.get();
    EXPECT_EQ(provider->AbortSnapshots(kSet), S_OK);
    EXPECT_EQ(Requests(RRE_DELETE_PART), 3u);
    EXPECT_TRUE(Peer::Luns(*provider).empty());
    EXPECT_TRUE(Peer::Set(*provider).Id() == VSS_ID{});
    EXPECT_EQ(Peer::Set(*provider).State(), SnapshotSetState::Failed);
}

TEST_F(HardwareProviderTest, RecordingTheSetIdentifierNeedsTheCurrentSetAndTheSetting) {
    ComObject<BVSS_HardwareProvider>* provider = Create();
    const size_t before = Requests();
    EXPECT_EQ(provider->PostFinalCommitSnapshots(kSet), S_OK);  // no set: the mismatch is only logged
    EXPECT_NE(Log().find("Current SnapshotSetId 01234567-89AB-CDEF-0123-456789ABCDEF != mSetId "
                         "00000000-0000-0000-0000-000000000000.\n"),
              std::string::npos)
        << Log();
    root_.SetDword(std::string(kProviderServiceKey) + "\\Parameters", "RecordSnapshotSetIds", 0);
    readProviderParameters();
    ASSERT_EQ(provider->BeginPrepareSnapshot(kSet, kSet, 0, 0, nullptr, nullptr), S_OK);
    EXPECT_EQ(provider->PostFinalCommitSnapshots(kSet), S_OK);
    EXPECT_EQ(Requests(), before);
}

}  // namespace
