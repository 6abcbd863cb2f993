#include "corlink/transport/host_adapters.h"

#include <gtest/gtest.h>

#include <cstring>

#include "corlink/transport/sas_addresses.h"

namespace {

struct Address {
    uint8_t bytes[8];
};

Address HostPort(uint8_t n) { return {{0x50, 0x01, 0x43, 0x80, 0, 0, 0, n}}; }

struct Controller {
    uint8_t serial[6];
    uint8_t uniqueId[6];
    uint8_t wwpn[8];
    uint8_t wwnn[8];
};

Controller MakeController(uint8_t n) {
    return {{0x00, 0xC0, 0xFF, 0x10, 0x20, n},
            {'U', 'I', 'D', '0', '0', n},
            {0x20, 0x70, 0, 0, 0, 0, 0, n},
            {0x20, 0x00, 0, 0, 0, 0, 0, n}};
}

// What discovery does with one successful page 0xD0.
void Report(const Address& host, const Controller& c, uint8_t adapter = 2, uint8_t lun = 0, char type = 'S') {
    static const uint8_t kZero[8] = {};
    AddHostSasAddress(host.bytes);
    InsertHBAInfoGlobalList(host.bytes, kZero, static_cast<uint8_t>(type), adapter, 0, 5, lun, c.serial,
                            c.uniqueId, c.wwpn, c.wwnn);
}

class HostAdaptersTest : public ::testing::Test {
  protected:
    HostAdaptersTest() {
        ClearHBAInfoGlobalList();
        std::memset(&g_HostSasAddresses, 0, sizeof g_HostSasAddresses);
    }
};

TEST_F(HostAdaptersTest, OneHostPortCollectsEachControllerItSeesOnce) {
    Report(HostPort(1), MakeController(1), 2, 0, 'S');
    Report(HostPort(1), MakeController(2), 3, 1, 'F');  // a second LUN through the same host port
    Report(HostPort(1), MakeController(1), 4, 2);       // the same controller again

    ASSERT_EQ(g_HbaInfoList.count, 1u);
    const HBA_INFO& entry = g_HbaInfoList.entries[0];
    EXPECT_EQ(entry.hostIfType, 'S');  // the first report makes the entry
    EXPECT_EQ(entry.adapter, 2);
    EXPECT_EQ(entry.target, 5);
    EXPECT_EQ(entry.lun, 0);
    EXPECT_EQ(std::memcmp(entry.hbaWwpn, HostPort(1).bytes, 8), 0);
    ASSERT_EQ(entry.numControllerPorts, 2);
    const Controller second = MakeController(2);
    EXPECT_EQ(std::memcmp(entry.controllerPorts[1].wwpn, second.wwpn, 8), 0);
    EXPECT_EQ(std::memcmp(entry.controllerPorts[1].wwnn, second.wwnn, 8), 0);
    EXPECT_EQ(std::memcmp(entry.controllerPorts[1].controllerSerialNumber, second.serial, 6), 0);
    EXPECT_EQ(std::memcmp(entry.controllerPorts[1].controllerUniqueId, second.uniqueId, 6), 0);
    EXPECT_EQ(g_HostSasAddresses.count, 1u);
}

TEST_F(HostAdaptersTest, AllZeroHostPortAddsNothing) {
    Report(Address{}, MakeController(1));
    EXPECT_EQ(g_HbaInfoList.count, 0u);
    EXPECT_EQ(g_HostSasAddresses.count, 0u);
}

TEST_F(HostAdaptersTest, SupplementalAddressMakesAnEntryWithoutControllerPorts) {
    const Address host = HostPort(9);
    InsertHBAInfoGlobalList(host.bytes, nullptr, HBA_INFO_TYPE_SUPPLEMENTAL, 0, 0, 0, 0, nullptr, nullptr,
                            nullptr, nullptr);
    ASSERT_EQ(g_HbaInfoList.count, 1u);
    EXPECT_EQ(g_HbaInfoList.entries[0].hostIfType, 's');
    EXPECT_EQ(g_HbaInfoList.entries[0].numControllerPorts, 0);
    const uint8_t zero[8] = {};
    EXPECT_EQ(std::memcmp(g_HbaInfoList.entries[0].hbaWwnn, zero, 8), 0);
}

TEST_F(HostAdaptersTest, FullListsDropFurtherEntries) {
    for (uint8_t n = 1; n <= 33; ++n) Report(HostPort(n), MakeController(1));
    EXPECT_EQ(g_HbaInfoList.count, 32u);
    EXPECT_EQ(g_HostSasAddresses.count, 32u);
    EXPECT_TRUE(IsHostSasAddress(HostPort(32).bytes));
    EXPECT_FALSE(IsHostSasAddress(HostPort(33).bytes));

    for (uint8_t n = 1; n <= 65; ++n) Report(HostPort(1), MakeController(n));
    EXPECT_EQ(g_HbaInfoList.entries[0].numControllerPorts, 64);
}

TEST_F(HostAdaptersTest, HostAddressesSurviveTheRebuildOfTheAdapterList) {
    Report(HostPort(1), MakeController(1));
    Report(HostPort(1), MakeController(1));
    ClearHBAInfoGlobalList();  // a rediscovery
    EXPECT_EQ(g_HbaInfoList.count, 0u);
    EXPECT_EQ(g_HostSasAddresses.count, 1u);
    EXPECT_TRUE(IsHostSasAddress(HostPort(1).bytes));
    // Every slot is compared, used or not: the zero address matches an empty slot.
    EXPECT_TRUE(IsHostSasAddress(Address{}.bytes));
    EXPECT_FALSE(IsHostSasAddress(HostPort(2).bytes));
}

}  // namespace
