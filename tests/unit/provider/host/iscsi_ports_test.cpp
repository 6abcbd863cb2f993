// This host's iSCSI initiator ports from WMI, answered by the simulated host: which names each initiator
// class gives, the optional storage namespace, and the port-list entries built from the names.
#include "provider/host/iscsi_ports.h"

#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "provider/host/wmi_service.h"
#include "tests/unit/provider/simulated_host_fixture.h"

namespace {

constexpr const char* kSoftwareInitiator = "iqn.1991-05.com.example:host-1";

class IscsiPortsTest : public providertest::SimulatedHostTest {
  protected:
    void SetUp() override {
        SimulatedHostTest::SetUp();
        ASSERT_FALSE(fabric_->Model().host.fcPorts.empty());  // MSFT_InitiatorPort also lists these
    }
    void Host(std::vector<std::string> names, bool storageWmi = true) {
        fabric_->Edit([&](sim::FabricModel& model) {
            model.host.iscsiNames = names;
            model.host.storageWmi = storageWmi;
        });
    }
    static HostIqnVec Search() {
        HostIqnVec iqns;
        WmiService wmi;
        EXPECT_EQ(wmi.GetHostIQNs(iqns), S_OK);
        return iqns;
    }
};

TEST_F(IscsiPortsTest, SoftwareInitiatorGivesTwoEntriesAfterTheFibreChannelPorts) {
    Host({kSoftwareInitiator});
    FlexIDEntry fc{};
    fc.mKind = kFlexKindFibreChannel;
    fc.mPortType = kFlexPortTypeFibreChannel;
    fc.mWwpn[0] = 0x21;
    std::vector<FlexIDEntry> ports = {fc};

    EXPECT_EQ(AddIscsiInitiatorPorts(ports), S_OK);

    ASSERT_EQ(ports.size(), 3u);
    EXPECT_EQ(ports[0].mKind, kFlexKindFibreChannel);
    for (size_t i : {1, 2}) {
        FlexIDEntry expected{};
        expected.mKind = 1;
        expected.mPortType = 9;
        std::strcpy(expected.mIscsiName, kSoftwareInitiator);
        EXPECT_EQ(std::memcmp(&ports[i], &expected, sizeof expected), 0) << "entry " << i;
    }
    const std::string log = Log();
    EXPECT_NE(log.find("Entering: WmiService::WmiInitialize"), std::string::npos);
    EXPECT_NE(log.find("Add iSCSINodeName:iqn.1991-05.com.example:host-1 to HostIqnVec."), std::string::npos);
    EXPECT_NE(log.find("Add NodeAddress:iqn.1991-05.com.example:host-1 to HostIqnVec."), std::string::npos);
    EXPECT_NE(log.find("Found 2 Host iQNs"), std::string::npos);
    EXPECT_NE(log.find("Exiting: WmiService::WmiUnInitialize"), std::string::npos);
}

// The initiator class names every initiator; the port class only those whose address begins "iqn" in
// either case (not its Fibre Channel ports, not an EUI-named initiator).
TEST_F(IscsiPortsTest, InitiatorPortClassKeepsOnlyIqnNames) {
    Host({"IQN.2000-01.COM.EXAMPLE:A", "eui.02004567A425678D"});
    EXPECT_EQ(Search(),
              (HostIqnVec{"IQN.2000-01.COM.EXAMPLE:A", "eui.02004567A425678D", "IQN.2000-01.COM.EXAMPLE:A"}));
    const std::string log = Log();
    EXPECT_NE(log.find("NodeAddress eui.02004567A425678D is not an iQN"), std::string::npos);
    EXPECT_NE(log.find("NodeAddress 2100001B32000001 is not an iQN"), std::string::npos);
}

TEST_F(IscsiPortsTest, WithoutTheStorageNamespaceOnlyTheInitiatorClassAnswers) {
    Host({kSoftwareInitiator}, false);
    EXPECT_EQ(Search(), HostIqnVec{kSoftwareInitiator});
    const std::string log = Log();
    EXPECT_NE(log.find("WMI connect to ROOT\\Microsoft\\Windows\\Storage failed (0x8004100e)"),
              std::string::npos);
    EXPECT_NE(log.find("pSvcG2 == NULL, NOT enumerating MSFT_InitiatorPort"), std::string::npos);
}

TEST_F(IscsiPortsTest, FibreChannelOnlyHostAddsNothing) {
    Host({});
    std::vector<FlexIDEntry> ports;
    EXPECT_EQ(AddIscsiInitiatorPorts(ports), S_OK);
    EXPECT_TRUE(ports.empty());
    EXPECT_NE(Log().find("Found 0 Host iQNs"), std::string::npos);
}

TEST_F(IscsiPortsTest, NameTooLongForAnEntryIsSkipped) {
    const std::string longest(223, 'q');
    Host({std::string(224, 'q'), longest}, false);
    std::vector<FlexIDEntry> ports;
    EXPECT_EQ(AddIscsiInitiatorPorts(ports), S_OK);
    ASSERT_EQ(ports.size(), 1u);
    EXPECT_EQ(std::string(ports[0].mIscsiName), longest);
}

TEST_F(IscsiPortsTest, WithoutWmiTheSearchFindsNothingAndStillSucceeds) {
    Host({kSoftwareInitiator});
    platform::SetWmiProvider(nullptr);
    EXPECT_EQ(Search(), HostIqnVec{});
    const std::string log = Log();
    EXPECT_NE(log.find("CreateInstanceEnum(MSiSCSIInitiator_MethodClass) failed (0x80041001)."),
              std::string::npos);
    EXPECT_NE(log.find("pSvcG2 == NULL"), std::string::npos);
}

// Initiator-port objects WMI may answer oddly: without the property, with a value that is not text.
class OddPorts final : public platform::WmiProvider {
  public:
    HRESULT Query(const std::string& nameSpace, const std::string& query,
                  std::vector<WmiObjectRef>* results) override {
        if (query != "SELECT * FROM MSFT_InitiatorPort")
            return nameSpace == "root\\wmi" ? WBEM_E_FAILED : S_OK;
        auto object = [](std::map<std::string, WmiValue> properties) {
            return std::make_shared<const IWbemClassObject>(std::move(properties));
        };
        *results = {object({}), object({{"NodeAddress", uint32_t{7}}}),
                    object({{"NodeAddress", std::monostate{}}}),
                    object({{"NodeAddress", std::string("iqn.2001-04.com.example:b")}})};
        return S_OK;
    }
};

TEST_F(IscsiPortsTest, OddInitiatorPortObjectsAreSkippedOneByOne) {
    OddPorts odd;
    platform::SetWmiProvider(&odd);
    EXPECT_EQ(Search(), HostIqnVec{"iqn.2001-04.com.example:b"});
    const std::string log = Log();
    EXPECT_NE(log.find("CreateInstanceEnum(MSiSCSIInitiator_MethodClass) failed"), std::string::npos);
    EXPECT_NE(log.find("Get(NodeAddress) failed"), std::string::npos);
    EXPECT_NE(log.find("NodeAddress type = 19, skipping"), std::string::npos);
    EXPECT_NE(log.find("NodeAddress type = 0, skipping"), std::string::npos);
}

}  // namespace
