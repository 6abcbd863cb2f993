// Proxy commands through rreExecCommand against the default fabric (one pair, arrays vd01 and vd02 with two
// partitions each, controller A's handle 0x100, B's 0x200): requests built in host order and converted as a
// client converts them, replies converted back, and the fabric's model to check each change against.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "corlink/capi_wire/byte_order.h"
#include "corlink/database/capi_session.h"
#include "corlink/executor/executor.h"
#include "corlink/handlers/rre.h"
#include "corlink/proxy_wire/buffer_wire.h"
#include "corlink/proxy_wire/proxy_commands.h"
#include "tests/unit/database/fabric_database_fixture.h"

namespace proxytest {

constexpr uint32_t kHandleA = 0x100;
constexpr uint32_t kHandleB = 0x200;
constexpr size_t kSessionBuffer = 4 << 20;

inline uint32_t Word(const std::vector<uint8_t>& buffer, size_t offset) {
    uint32_t value = 0;
    std::memcpy(&value, buffer.data() + offset, sizeof value);
    return value;
}
inline uint32_t BigEndianAt(const std::vector<uint8_t>& buffer, size_t offset) {
    return (uint32_t{buffer[offset]} << 24) | (uint32_t{buffer[offset + 1]} << 16) |
           (uint32_t{buffer[offset + 2]} << 8) | buffer[offset + 3];
}
inline void PutWord(std::vector<uint8_t>& buffer, size_t offset, uint32_t value) {
    std::memcpy(buffer.data() + offset, &value, sizeof value);
}
inline std::string TextAt(const std::vector<uint8_t>& buffer, size_t offset, size_t size) {
    const char* text = reinterpret_cast<const char*>(buffer.data() + offset);
    return std::string(text, strnlen(text, size));
}

struct Reply {
    std::vector<uint8_t> buffer;  // converted back to host order when the proxy ran the command
    int32_t replyLength = 0;
    int32_t status = 0;
    uint32_t code = 0;
};

using Fill = std::function<void(std::vector<uint8_t>&)>;

class ProxyCommandTest : public FabricDatabaseTest {
  protected:
    void SetUp() override {
        FabricDatabaseTest::SetUp();
        g_FirstDiscovery = 0;
        ASSERT_EQ(rreInitialize(), 0u);
    }
    void TearDown() override {
        rreTerminate();
        FabricDatabaseTest::TearDown();
    }
    // A request of `length` bytes with the controller id, filled in host order by `fill` and converted as a
    // client converts it.
    static Reply Exec(uint32_t code, uint32_t length, uint32_t id, const Fill& fill, uint32_t trusted = 1,
                      size_t bufferSize = kSessionBuffer) {
        std::vector<uint8_t> buffer(std::max<size_t>(bufferSize, length));
        if (length >= 12) PutWord(buffer, 8, id);
        if (fill) fill(buffer);
        PackRreBuffer(code, PACK_TO_NETWORK, buffer.data(), length);
        Rre rre{code, length, buffer.data(), static_cast<uint32_t>(buffer.size()), 0, trusted};
        rreExecCommand(&rre);
        Reply reply;
        reply.replyLength = rre.ReplyLength;
        reply.status = static_cast<int32_t>(BigEndianAt(buffer, 0));
        reply.code = BigEndianAt(buffer, 4);
        if (reply.status == 0)
            PackRreBuffer(code, PACK_FROM_NETWORK, buffer.data(), static_cast<size_t>(rre.ReplyLength));
        reply.buffer = std::move(buffer);
        return reply;
    }
    // The list commands carry the id alone, big-endian.
    static Reply List(uint32_t code, uint32_t id, size_t bufferSize = kSessionBuffer) {
        std::vector<uint8_t> buffer(bufferSize);
        const uint32_t big = os_htonl(id);
        std::memcpy(buffer.data(), &big, sizeof big);
        Rre rre{code, 4, buffer.data(), static_cast<uint32_t>(buffer.size()), 0, 1};
        rreExecCommand(&rre);
        Reply reply;
        reply.replyLength = rre.ReplyLength;
        reply.status = static_cast<int32_t>(BigEndianAt(buffer, 0));
        reply.code = BigEndianAt(buffer, 4);
        reply.buffer = std::move(buffer);
        return reply;
    }
    sim::StorageSystem Pair(size_t system = 0) const { return fabric_->Model().systems[system]; }
    // The commands with this CAPI code the fabric received since the journal was last cleared.
    std::vector<sim::JournalEntry> Sent(uint32_t capiCode) const {
        std::vector<sim::JournalEntry> found;
        for (const sim::JournalEntry& e : fabric_->journal().Entries()) {
            if (e.commandCode == capiCode) found.push_back(e);
        }
        return found;
    }
};

}  // namespace proxytest
