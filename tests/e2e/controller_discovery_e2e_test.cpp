// Controller discovery of the real corlink4 on arraysim's fabric when the controllers answer damaged
// replies: what the proxy lists as storage systems and controllers afterwards.
#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <signal.h>

#include <chrono>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "corlink/proxy_wire/controller_list_wire.h"
#include "corlink/proxy_wire/proxy_commands.h"
#include "tests/e2e/proxy_processes.h"

namespace {

using namespace e2e;

// One record of GET_CONTROLLERHANDLEDB: a pair's UniqueSN and its two client ids.
struct PairRecord {
    std::string uniqueSn;
    uint32_t idA = 0;
    uint32_t idB = 0;
    bool operator==(const PairRecord&) const = default;
};

std::ostream& operator<<(std::ostream& out, const PairRecord& r) {
    return out << "{" << r.uniqueSn << " " << std::hex << r.idA << " " << r.idB << std::dec << "}";
}

class ControllerDiscoveryE2eTest : public ProxySessionTest {
  protected:
    std::vector<uint8_t> Request(uint32_t code, const std::vector<uint8_t>& request) {
        ProxyReply reply;
        EXPECT_TRUE(session_.Request(code, request, &reply)) << session_.Error();
        return reply.data;
    }
    // The list commands: the controller id alone, big-endian.
    std::vector<uint8_t> List(uint32_t code, uint32_t id) {
        const uint32_t big = htonl(id);
        std::vector<uint8_t> request(4);
        std::memcpy(request.data(), &big, sizeof big);
        return Request(code, request);
    }
    // The pairs GET_CONTROLLERHANDLEDB lists; after a rediscovery first when asked.
    std::vector<PairRecord> Pairs(bool rediscover = false) {
        std::vector<uint8_t> request(RRE_HANDLE_DB_REDISCOVER_OFFSET + 4, 0);
        request[RRE_HANDLE_DB_REDISCOVER_OFFSET] = rediscover ? 1 : 0;
        const std::vector<uint8_t> reply = Request(RRE_GET_CONTROLLERHANDLEDB, request);
        std::vector<PairRecord> pairs;
        if (reply.size() < RRE_HANDLE_DB_RECORD_OFFSET || ProxyWord(reply, 0) != 0) return pairs;
        const uint32_t count = ProxyWord(reply, RRE_HANDLE_DB_COUNT_OFFSET);
        for (uint32_t r = 0; r < count && r < RRE_HANDLE_DB_MAX_RECORDS; ++r) {
            const size_t at = RRE_HANDLE_DB_RECORD_OFFSET + r * RRE_HANDLE_DB_RECORD_SIZE;
            if (reply.size() < at + RRE_HANDLE_DB_RECORD_SIZE) break;
            const char* sn = reinterpret_cast<const char*>(reply.data() + at);
            pairs.push_back({std::string(sn, strnlen(sn, RRE_HANDLE_DB_ID_A_OFFSET)),
                             ProxyWord(reply, at + RRE_HANDLE_DB_ID_A_OFFSET),
                             ProxyWord(reply, at + RRE_HANDLE_DB_ID_B_OFFSET)});
        }
        return pairs;
    }
    uint32_t StorageSystemCount() {
        std::vector<uint8_t> request(RRE_STORAGE_SYSTEMS_LENGTH, 0);
        const std::vector<uint8_t> reply = Request(RRE_GET_STORAGESYSTEMS, request);
        if (reply.size() < RRE_STORAGE_SYSTEMS_TABLE_OFFSET) return 0;
        return ProxyWord(reply, RRE_STORAGE_SYSTEMS_COUNT_OFFSET);
    }
    size_t Discoveries() { return Occurrences(fabric_.proxy().Output(), "Initialization Complete."); }
    // Returns once the proxy has finished `count` more discoveries (fatal after a generous bound).
    void AwaitDiscoveries(size_t count) {
        const size_t until = Discoveries() + count;
        const auto deadline = std::chrono::steady_clock::now() + testsupport::kChildWorkBound;
        while (Discoveries() < until) {
            ASSERT_LT(std::chrono::steady_clock::now(), deadline) << fabric_.proxy().Output();
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
    }
};

// Both halves answer 20 commands each with a damaged reply header while a client runs commands and the
// periodic discovery runs: afterwards the proxy lists exactly the real pair, whose controllers answer.
TEST_F(ControllerDiscoveryE2eTest, DamagedRepliesFromBothHalvesLeaveExactlyTheRealPair) {
    const std::vector<PairRecord> real = Pairs();
    ASSERT_EQ(real.size(), 1u);
    ASSERT_NE(real[0].idA, 0u);
    ASSERT_NE(real[0].idB, 0u);
    ASSERT_EQ(StorageSystemCount(), 1u);

    ASSERT_EQ(fabric_.Admin("fault pair=0 half=a kind=malformed-reply times=20"), "ok");
    ASSERT_EQ(fabric_.Admin("fault pair=0 half=b kind=malformed-reply times=20"), "ok");
    constexpr size_t kDamaged = 40;
    // Every listing meanwhile (every other one after a rediscovery) holds the real pair alone, if anything.
    for (int round = 0;
         round < 400 && Occurrences(fabric_.Admin("journal"), "fault=malformed reply") < kDamaged; ++round) {
        const std::vector<PairRecord> listed = Pairs(round % 2 == 1);
        EXPECT_LE(listed.size(), 1u) << "round " << round << ": " << ::testing::PrintToString(listed);
        for (const PairRecord& pair : listed) {
            EXPECT_EQ(pair.uniqueSn, real[0].uniqueSn) << "round " << round;
            for (uint32_t id : {pair.idA, pair.idB}) {
                if (id == 0) continue;
                List(RRE_GET_ARRAY_PARTITION, id);
                List(RRE_GET_ARRAY_LIST, id);
            }
        }
        EXPECT_LE(StorageSystemCount(), 1u) << "round " << round;
    }
    ASSERT_EQ(Occurrences(fabric_.Admin("journal"), "fault=malformed reply"), kDamaged);

    ASSERT_NO_FATAL_FAILURE(AwaitDiscoveries(2));
    EXPECT_EQ(Pairs(), real) << fabric_.proxy().Output();
    EXPECT_EQ(StorageSystemCount(), 1u);
    for (uint32_t id : {real[0].idA, real[0].idB}) {
        const std::vector<uint8_t> arrays = List(RRE_GET_ARRAY_LIST, id);
        ASSERT_GE(arrays.size(), 8u);
        EXPECT_EQ(ProxyWord(arrays, 0), 0u) << std::hex << id;
    }
}

}  // namespace
