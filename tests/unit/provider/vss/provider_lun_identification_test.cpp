// The provider object's LUN identification: its start-up adds the host's iSCSI initiators to its ports,
// and its methods identify LUNs with its own controller set and the standard-volume setting of the moment.
#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "platform/com/com_object.h"
#include "platform/devices/wmi.h"
#include "provider/controllers/provider_registry.h"
#include "provider/vss/hardware_provider.h"
#include "tests/unit/provider/lun_identification_fixture.h"
#include "tests/unit/provider/provider_peer.h"

namespace {

using Peer = BVSS_HardwareProviderTestPeer;

using providertest::IdText;
using providertest::LunIdentificationTest;
using providertest::LunRecords;
using providertest::kSnapshot;
using providertest::kStandard;

// A host whose WMI knows one iSCSI initiator and has no storage management namespace.
class OneInitiator final : public platform::WmiProvider {
  public:
    OneInitiator() { platform::SetWmiProvider(this); }
    ~OneInitiator() override { platform::SetWmiProvider(nullptr); }
    HRESULT Query(const std::string& nameSpace, const std::string& query,
                  std::vector<WmiObjectRef>* results) override {
        if (nameSpace != "root\\wmi") return WBEM_E_INVALID_NAMESPACE;
        if (query == "SELECT * FROM MSiSCSIInitiator_MethodClass") {
            results->push_back(std::make_shared<const IWbemClassObject>(std::map<std::string, WmiValue>{
                {"iSCSINodeName", std::string("iqn.1991-05.com.example:h")}}));
        }
        return S_OK;
    }
};

// The provider object's methods: its start-up adds the host's iSCSI initiators to its ports; the context
// is checked first; the standard-volume setting is read again at each call.
TEST_F(LunIdentificationTest, ProviderObjectIdentifiesWithItsOwnSetAndTheSettingOfTheMoment) {
    OneInitiator wmi;
    ComModule module;
    ComObject<BVSS_HardwareProvider>* provider = ComObject<BVSS_HardwareProvider>::New(&module, nullptr);
    provider->Inner()->AddRef();
    ASSERT_FALSE(Peer::Ports(*provider).empty());
    EXPECT_STREQ(Peer::Ports(*provider).back().mIscsiName, "iqn.1991-05.com.example:h");
    EXPECT_EQ(Count("Exiting: BVSS_HardwareProvider::getIQNs"), 1u);

    LunRecords luns({{IdText(kStandard)}});
    BOOL supported = TRUE;
    const LONG bothKinds = VSS_VOLSNAP_ATTR_DIFFERENTIAL | VSS_VOLSNAP_ATTR_PLEX;
    EXPECT_EQ(provider->AreLunsSupported(luns.count(), bothKinds, nullptr, luns.data(), &supported),
              VSS_E_UNSUPPORTED_CONTEXT);
    EXPECT_EQ(supported, FALSE);
    EXPECT_NE(Events().find("AreLunsSupported(): called with unsupported context 393216"), std::string::npos);
    EXPECT_EQ(Count("PartitionSerialNumber="), 0u);

    const std::string parameters = std::string(kProviderServiceKey) + "\\Parameters";
    root_.SetString(parameters, "Name", "provider");
    root_.SetString(parameters, "Version", "1");
    for (DWORD setting : {0u, 1u}) {
        root_.SetDword(parameters, "StandardVolumesAreSupported", setting);
        EXPECT_EQ(provider->AreLunsSupported(luns.count(), 0, nullptr, luns.data(), &supported), S_OK);
        EXPECT_EQ(supported, setting != 0 ? TRUE : FALSE);
    }
    EXPECT_EQ(Count("returning 0x00000000, supported=FALSE\n"), 1u);
    EXPECT_EQ(Count("returning 0x00000000, supported=TRUE\n"), 1u);

    LunRecords snapshot({{IdText(kSnapshot)}});
    EXPECT_EQ(provider->FillInLunInfo(nullptr, &snapshot[0], &supported), S_OK);
    EXPECT_EQ(supported, TRUE);
    EXPECT_EQ(Count("returning 0x00000000, IsSupported = 1\n"), 1u);
    provider->OnUnload(TRUE);
    provider->Release();
}

}  // namespace
