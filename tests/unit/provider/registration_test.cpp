// The provider library's registration, as a registration tool runs it: the library loaded, its
// DllRegisterServer and DllUnregisterServer called, the coordinator a stand-in in the class table.
#include <gtest/gtest.h>

#include <cstdio>
#include <deque>
#include <filesystem>
#include <string>
#include <vector>

#include "platform/com/com_classes.h"
#include "platform/com/com_object.h"
#include "platform/com/type_library.h"
#include "platform/com/vss_interfaces.h"
#include "platform/files/registry.h"
#include "platform/system/module_library.h"
#include "provider/controllers/provider_registry.h"
#include "tests/support/test_root.h"

namespace {

using EntryPoint = HRESULT (*)();

constexpr const char* kClassKey = "CLSID\\{122E0BAB-DAE0-4285-B708-EB497440927A}";
constexpr HRESULT kRefused = MakeHresult(0x80042302);

// The coordinator's administration object: records the calls, answers RegisterProvider from a script.
class AdminStandIn : public IVssAdmin {
  public:
    static const ComInterfaceEntry kInterfaces[];
    HRESULT RegisterProvider(VSS_ID providerId, CLSID classId, VSS_PWSZ name, VSS_PROVIDER_TYPE type,
                             VSS_PWSZ version, VSS_ID versionId) override {
        calls.push_back("register");
        lastProvider = providerId;
        lastClass = classId;
        lastVersionId = versionId;
        lastName = name;
        lastVersion = version;
        lastType = type;
        if (registerResults.empty()) return S_OK;
        const HRESULT result = registerResults.front();
        registerResults.pop_front();
        return result;
    }
    HRESULT UnregisterProvider(VSS_ID providerId) override {
        calls.push_back("unregister");
        lastProvider = providerId;
        return unregisterResult;
    }
    HRESULT QueryProviders(IVssEnumObject**) override { return E_NOTIMPL; }
    HRESULT AbortAllSnapshotsInProgress() override { return E_NOTIMPL; }

    std::deque<HRESULT> registerResults;
    HRESULT unregisterResult = S_OK;
    std::vector<std::string> calls;
    VSS_ID lastProvider{};
    CLSID lastClass{};
    VSS_ID lastVersionId{};
    std::wstring lastName, lastVersion;
    VSS_PROVIDER_TYPE lastType = VSS_PROV_UNKNOWN;
};
const ComInterfaceEntry AdminStandIn::kInterfaces[] = {ComEntry<AdminStandIn, IVssAdmin>(IID_IVssAdmin), {}};

// Hands out the one stand-in.
class AdminFactory : public IClassFactory {
  public:
    static const ComInterfaceEntry kInterfaces[];
    explicit AdminFactory(IVssAdmin* admin) : admin_(admin) {}
    HRESULT CreateInstance(IUnknown*, REFIID iid, void** object) override {
        return admin_->QueryInterface(iid, object);
    }
    HRESULT LockServer(BOOL) override { return S_OK; }

  private:
    IVssAdmin* admin_;
};
const ComInterfaceEntry AdminFactory::kInterfaces[] = {
    ComEntry<AdminFactory, IClassFactory>(IID_IClassFactory), {}};

class RegistrationTest : public ::testing::Test {
  protected:
    void SetUp() override {
        std::filesystem::create_directories(root_.path() + "/C");
        root_.SetString(std::string(kProviderServiceKey) + "\\Debug", "FileName", "C:\\provider.log");
        root_.SetString(std::string(kProviderServiceKey) + "\\Parameters", "Name", "TestProvider");
        root_.SetString(std::string(kProviderServiceKey) + "\\Parameters", "Version", "9.8.7");
        admin_ = ComObject<AdminStandIn>::New(nullptr, nullptr);
        admin_->AddRef();
        library_ = LoadLibraryA(PROVIDER_LIBRARY);
        ASSERT_NE(library_, nullptr);
        registerServer_ = reinterpret_cast<EntryPoint>(GetProcAddress(library_, "DllRegisterServer"));
        unregisterServer_ = reinterpret_cast<EntryPoint>(GetProcAddress(library_, "DllUnregisterServer"));
        ASSERT_NE(registerServer_, nullptr);
        ASSERT_NE(unregisterServer_, nullptr);
    }
    void TearDown() override {
        if (cookie_ != 0) CoRevokeClassObject(cookie_);
        if (library_ != nullptr) FreeLibrary(library_);
        admin_->Release();
    }
    // The stand-in as the coordinator class of the class table.
    void OfferCoordinator() {
        IClassFactory* factory = ComObject<AdminFactory>::New(nullptr, nullptr, admin_);
        ASSERT_EQ(CoRegisterClassObject(CLSID_VSSCoordinator, factory, CLSCTX_LOCAL_SERVER,
                                        REGCLS_MULTIPLEUSE, &cookie_),
                  S_OK);
    }
    std::string Value(const std::string& key, const char* name) const {
        HKEY open = nullptr;
        if (RegOpenKeyExA(HKEY_CLASSES_ROOT, key.c_str(), 0, KEY_READ, &open) != ERROR_SUCCESS)
            return "<no key>";
        char text[4096] = {};
        DWORD size = sizeof text - 1;
        const LONG status =
            RegQueryValueExA(open, name, nullptr, nullptr, reinterpret_cast<BYTE*>(text), &size);
        RegCloseKey(open);
        return status == ERROR_SUCCESS ? std::string(text) : "<no value>";
    }
    bool KeyExists(const std::string& key) const { return Value(key, "") != "<no key>"; }
    std::string Log() const { return root_.ReadFile("C/provider.log"); }
    std::string Events() const { return root_.ReadFile("eventlog/Application.log"); }

    testsupport::TestRoot root_;
    ComObject<AdminStandIn>* admin_ = nullptr;
    DWORD cookie_ = 0;
    HMODULE library_ = nullptr;
    EntryPoint registerServer_ = nullptr;
    EntryPoint unregisterServer_ = nullptr;
};

TEST_F(RegistrationTest, RegistersTheClassAndTheProviderThenUnregistersBoth) {
    OfferCoordinator();
    ASSERT_EQ(registerServer_(), S_OK) << Log();

    EXPECT_EQ(Value(kClassKey, ""), "BVSS_HardwareProvider Object");
    EXPECT_EQ(Value(kClassKey, "AppID"), "{0192BBE5-5023-4CE6-A8B5-1AC17FCD3CDA}");
    EXPECT_EQ(Value(std::string(kClassKey) + "\\InprocServer32", ""), std::string(PROVIDER_LIBRARY));
    EXPECT_EQ(Value(std::string(kClassKey) + "\\InprocServer32", "ThreadingModel"), "apartment");
    EXPECT_EQ(Value(std::string(kClassKey) + "\\ProgID", ""), "DOVURERUDOredezor.BVSS_Hardware.1");
    EXPECT_EQ(Value(std::string(kClassKey) + "\\VersionIndependentProgID", ""),
              "DOVURERUDOredezor.BVSS_HardwarePr");
    EXPECT_EQ(Value(std::string(kClassKey) + "\\TypeLib", ""), "{0192BBE5-5023-4CE6-A8B5-1AC17FCD3CDA}");
    EXPECT_TRUE(KeyExists(std::string(kClassKey) + "\\Programmable"));
    EXPECT_EQ(Value("DOVURERUDOredezor.BVSS_HardwarePr\\CurVer", ""), "DOVURERUDOredezor.BVSS_Hardware.1");
    EXPECT_EQ(Value("DOVURERUDOredezor.BVSS_Hardware.1\\CLSID", ""),
              "{122E0BAB-DAE0-4285-B708-EB497440927A}");
    EXPECT_EQ(Value("AppID\\{0192BBE5-5023-4CE6-A8B5-1AC17FCD3CDA}", ""), "DOVURERUDOredezor");
    EXPECT_EQ(Value("AppID\\DOVURERUDOredezor.DLL", "AppID"), "{0192BBE5-5023-4CE6-A8B5-1AC17FCD3CDA}");
    const std::string typeLib = "TypeLib\\{0192BBE5-5023-4CE6-A8B5-1AC17FCD3CDA}\\1.0";
    const std::string library = PROVIDER_LIBRARY;
    EXPECT_EQ(Value(typeLib, ""), "CAPI PS VSS Hardware Provider 1.0 Type Library");
    EXPECT_EQ(Value(typeLib + "\\FLAGS", ""), "0");
    EXPECT_EQ(Value(typeLib + "\\0\\win32", ""), library);
    EXPECT_EQ(Value(typeLib + "\\HELPDIR", ""), library.substr(0, library.find_last_of('/')));
    const std::string dual = "Interface\\{DF0403D5-BF27-4C0B-9FED-34BBB9C3BC7A}";
    EXPECT_EQ(Value(dual, ""), "IBVSS_HardwareProvider");
    EXPECT_EQ(Value(dual + "\\ProxyStubClsid32", ""), "{00020424-0000-0000-C000-000000000046}");
    EXPECT_EQ(Value(dual + "\\TypeLib", ""), "{0192BBE5-5023-4CE6-A8B5-1AC17FCD3CDA}");
    EXPECT_EQ(Value(dual + "\\TypeLib", "Version"), "1.0");

    ASSERT_EQ(admin_->calls, (std::vector<std::string>{"register"}));
    const GUID providerId = {0x9D09666C, 0x5CF8, 0x45CA, {0x92, 0x94, 0x12, 0x7C, 0x95, 0x56, 0x20, 0x94}};
    const GUID classId = {0x122E0BAB, 0xDAE0, 0x4285, {0xB7, 0x08, 0xEB, 0x49, 0x74, 0x40, 0x92, 0x7A}};
    const GUID versionId = {0x33DE77D7, 0xEEE6, 0x4731, {0xAA, 0xBB, 0x77, 0x60, 0x0B, 0x3F, 0x69, 0x77}};
    EXPECT_TRUE(admin_->lastProvider == providerId);
    EXPECT_TRUE(admin_->lastClass == classId);
    EXPECT_TRUE(admin_->lastVersionId == versionId);
    EXPECT_EQ(admin_->lastName, L"TestProvider");
    EXPECT_EQ(admin_->lastVersion, L"9.8.7");
    EXPECT_EQ(admin_->lastType, VSS_PROV_HARDWARE);
    EXPECT_NE(Events().find("ROVORUDIvaderod\t4\t0x00000001\tTestProvider version 9.8.7 has been installed"),
              std::string::npos)
        << Events();
    EXPECT_NE(Log().find("# TestProvider version 9.8.7, built "), std::string::npos) << Log();
    EXPECT_NE(Log().find("DllRegisterServer() returning 0x00000000\n"), std::string::npos);

    // A second registration writes the class afresh; its log shows the first closed the log it opened.
    HKEY stale = nullptr;
    ASSERT_EQ(RegCreateKeyExA(HKEY_CLASSES_ROOT, (std::string(kClassKey) + "\\Stale").c_str(), 0, nullptr, 0,
                              KEY_ALL_ACCESS, nullptr, &stale, nullptr),
              ERROR_SUCCESS);
    RegCloseKey(stale);
    ASSERT_EQ(registerServer_(), S_OK);
    EXPECT_FALSE(KeyExists(std::string(kClassKey) + "\\Stale"));
    EXPECT_EQ(Log().find("StaticInit(): Debug File already opened."), std::string::npos) << Log();

    admin_->calls.clear();
    ASSERT_EQ(unregisterServer_(), S_OK) << Log();
    EXPECT_EQ(admin_->calls, (std::vector<std::string>{"unregister"}));
    EXPECT_TRUE(admin_->lastProvider == providerId);
    for (const char* gone :
         {kClassKey, "DOVURERUDOredezor.BVSS_Hardware.1", "DOVURERUDOredezor.BVSS_HardwarePr",
          "AppID\\{0192BBE5-5023-4CE6-A8B5-1AC17FCD3CDA}", "AppID\\DOVURERUDOredezor.DLL",
          "TypeLib\\{0192BBE5-5023-4CE6-A8B5-1AC17FCD3CDA}",
          "Interface\\{DF0403D5-BF27-4C0B-9FED-34BBB9C3BC7A}"}) {
        EXPECT_FALSE(KeyExists(gone)) << gone;
    }
    EXPECT_TRUE(KeyExists("CLSID"));
    EXPECT_TRUE(KeyExists("AppID"));
    EXPECT_NE(Events().find("TestProvider version 9.8.7 has been removed"), std::string::npos);

    // Unregistering what is no longer registered answers the COM unregistration's S_OK.
    admin_->unregisterResult = kRefused;
    EXPECT_EQ(unregisterServer_(), S_OK);
    EXPECT_NE(Log().find("DllUnregisterServer(): Provider Unregistration failed with code 0x80042302.\n"),
              std::string::npos);
}

// The coordinator's answers to RegisterProvider and UnregisterProvider, and what registration makes of them.
struct CoordinatorCase {
    const char* name;
    std::vector<HRESULT> registerResults;
    HRESULT unregisterResult;
    HRESULT expected;
    std::vector<std::string> calls;
    const char* logged;  // a line the log must hold
};

class CoordinatorAnswers : public RegistrationTest, public ::testing::WithParamInterface<CoordinatorCase> {};

TEST_P(CoordinatorAnswers, DecideTheResultAndTheEvent) {
    const CoordinatorCase& c = GetParam();
    OfferCoordinator();
    admin_->registerResults.assign(c.registerResults.begin(), c.registerResults.end());
    admin_->unregisterResult = c.unregisterResult;
    EXPECT_EQ(registerServer_(), c.expected);
    EXPECT_EQ(admin_->calls, c.calls);
    EXPECT_NE(Log().find(c.logged), std::string::npos) << Log();
    const bool installed = Events().find("has been installed") != std::string::npos;
    EXPECT_EQ(installed, c.expected == S_OK) << Events();
    if (c.expected != S_OK) {
        char code[16];
        std::snprintf(code, sizeof code, "0x%08X", static_cast<unsigned>(c.expected));
        EXPECT_NE(
            Events().find(
                std::string("\t1\t0x00000001\tTestProvider version 9.8.7 could not be installed, error ") +
                code),
            std::string::npos)
            << Events();
    }
}

INSTANTIATE_TEST_SUITE_P(
    Registration, CoordinatorAnswers,
    ::testing::Values(
        CoordinatorCase{"AlreadyRegisteredIsReplaced",
                        {VSS_E_PROVIDER_ALREADY_REGISTERED, S_OK},
                        S_OK,
                        S_OK,
                        {"register", "unregister", "register"},
                        "DllRegisterServer(): Successfully unregistered old version.\n"},
        CoordinatorCase{
            "RemovalFailureStillRegistersAgain",
            {VSS_E_PROVIDER_ALREADY_REGISTERED, S_OK},
            kRefused,
            S_OK,
            {"register", "unregister", "register"},
            "DllRegisterServer(): Provider old version unregistration failed with code 0x80042302.\n"},
        CoordinatorCase{"SecondAttemptFails",
                        {VSS_E_PROVIDER_ALREADY_REGISTERED, VSS_E_PROVIDER_ALREADY_REGISTERED},
                        S_OK,
                        VSS_E_PROVIDER_ALREADY_REGISTERED,
                        {"register", "unregister", "register"},
                        "DllRegisterServer(): Provider Registration failed with code 0x80042303.\n"},
        CoordinatorCase{"OtherFailureIsNotRetried",
                        {kRefused},
                        S_OK,
                        kRefused,
                        {"register"},
                        "DllRegisterServer(): Provider Registration failed with code 0x80042302.\n"}),
    [](const ::testing::TestParamInfo<CoordinatorCase>& row) { return std::string(row.param.name); });

TEST_F(RegistrationTest, TheTypeLibraryIsLoadedFromTheLibraryFileAndKeepsItLoaded) {
    const std::string path = PROVIDER_LIBRARY;
    const std::wstring file(path.begin(), path.end());
    ITypeLib* library = nullptr;
    ASSERT_EQ(LoadTypeLib(file.c_str(), &library), S_OK);
    FreeLibrary(library_);  // the type library's own reference keeps the description mapped
    library_ = nullptr;
    BSTR help = nullptr;
    EXPECT_EQ(library->GetDocumentation(-1, nullptr, &help, nullptr, nullptr), S_OK);
    EXPECT_EQ(std::wstring(help), L"CAPI PS VSS Hardware Provider 1.0 Type Library");
    SysFreeString(help);
    EXPECT_EQ(library->GetTypeInfoCount(), 2u);
    library->Release();
    EXPECT_EQ(LoadTypeLib(L"C:\\Windows\\other.dll", &library), TYPE_E_CANTLOADLIBRARY);
    EXPECT_EQ(library, nullptr);
}

TEST_F(RegistrationTest, WithoutTheCoordinatorTheClassIsRegisteredAndTheFailureReported) {
    EXPECT_EQ(registerServer_(), REGDB_E_CLASSNOTREG);
    EXPECT_EQ(Value(std::string(kClassKey) + "\\ProgID", ""), "DOVURERUDOredezor.BVSS_Hardware.1");
    EXPECT_NE(Log().find("DllRegisterServer(): VSS admin object creation failed with code 0x80040154.\n"),
              std::string::npos);
    EXPECT_EQ(Events().find("has been installed"), std::string::npos);
    EXPECT_NE(Events().find("could not be installed, error 0x80040154"), std::string::npos);

    // Unregistration without the coordinator still removes the COM entries.
    EXPECT_EQ(unregisterServer_(), S_OK);
    EXPECT_NE(Log().find("DllUnregisterServer(): VSS admin object creation failed with code 0x80040154.\n"),
              std::string::npos);
    EXPECT_FALSE(KeyExists(kClassKey));
}

TEST_F(RegistrationTest, AFailedComRegistrationIsTheOnlyStepLoggedAndTheCoordinatorIsNotAsked) {
    OfferCoordinator();
    // A file where the class key's directory belongs: the registry cannot create the key.
    std::filesystem::create_directories(root_.path() + "/registry/HKLM/SOFTWARE/Classes");
    testsupport::WriteWholeFile(root_.path() + "/registry/HKLM/SOFTWARE/Classes/AppID", "not a key");
    const HRESULT result = registerServer_();
    EXPECT_TRUE(FAILED(result));
    EXPECT_TRUE(admin_->calls.empty());
    EXPECT_NE(Log().find("DllRegisterServer(): Parent class registration failed with code"),
              std::string::npos)
        << Log();
    EXPECT_EQ(Log().find("VSS admin object creation failed"), std::string::npos);
    EXPECT_EQ(Events().find("has been installed"), std::string::npos);
    EXPECT_NE(Events().find("could not be installed"), std::string::npos);
}

}  // namespace
