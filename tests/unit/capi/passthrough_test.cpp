// The raw pass-through: the session's packet goes to the controller of database entry 0 as it is, and
// the raw reply comes back into the session's buffer without reaching the reply callback.
#include "corlink/capi/passthrough.h"

#include <gtest/gtest.h>

#include <vector>

#include "corlink/capi/capi_library.h"
#include "corlink/capi/send_path.h"
#include "platform/time/clock.h"
#include "tests/support/fake_controller_table.h"
#include "tests/support/fake_transport.h"
#include "tests/support/state_reset.h"

namespace {

using testsupport::FakeControllerTable;
using testsupport::FakeTransport;
using testsupport::ReplyPacket;

int g_Callbacks = 0;
void CountCallback(uint32_t, int32_t, const CAPI_ADDRESS*, uint32_t, uint32_t, uint32_t, uint32_t, void*) {
    ++g_Callbacks;
}

class PassThrough : public ::testing::Test {
  protected:
    PassThrough() : fake(2), request(CAPI_PASS_THROUGH_BUFFER_SIZE), reply(CAPI_PASS_THROUGH_BUFFER_SIZE) {
        CAPI_RegisterCallback(&CountCallback);
        CAPI_Initialize();
        for (uint32_t entry = 0; entry < 2; ++entry) {
            uint8_t done = 0;
            CAPI_HANDLE handle = 0;
            CAPI_FindNextController(entry == 0, &done, &handle, &table.context(entry),
                                    table.sendBuffer(entry), table.eventBuffer(entry));
        }
        g_Callbacks = 0;
        g_PassThrough = {request.data(), reply.data(), 0, 0};
    }
    ~PassThrough() override { testsupport::ResetCapiState(); }

    platform::ScopedVirtualClock clock;
    FakeControllerTable table;
    FakeTransport fake;
    std::vector<uint8_t> request;
    std::vector<uint8_t> reply;
};

TEST_F(PassThrough, TheRawPacketGoesToEntryZeroAndTheRawReplyComesBack) {
    ReplyPacket client;
    client.commandCode = 1004;
    client.param[0] = 0x1234;
    client.address = CapiControllerAddress(0x7700);  // the client's own address travels unchanged
    client.payload = {1, 2, 3, 4, 5};
    const std::vector<uint8_t> raw = testsupport::BuildReplyPacket(client);
    std::copy(raw.begin(), raw.end(), request.begin());

    ReplyPacket answer;
    answer.commandCode = 2004;
    answer.payload.assign(40, 0x5C);
    const std::vector<uint8_t> rawAnswer = testsupport::BuildReplyPacket(answer);
    fake.RawReply(rawAnswer);

    EXPECT_EQ(CAPI_PassThrough(), 0);
    ASSERT_EQ(fake.sent().size(), 1u);
    EXPECT_EQ(fake.sent()[0].context, &table.context(0));
    EXPECT_EQ(fake.sent()[0].bytes, raw);
    EXPECT_EQ(g_PassThrough.replyLength, rawAnswer.size());
    EXPECT_TRUE(std::equal(rawAnswer.begin(), rawAnswer.end(), reply.begin()));
    EXPECT_EQ(g_Callbacks, 0);
    EXPECT_EQ(g_PassThrough.active, 0);
}

TEST_F(PassThrough, AnEmptyDatabaseSendsNothing) {
    table.setHandle(0, 0);  // entry 0 holds no controller
    EXPECT_EQ(CAPI_PassThrough(), CAPI_RESULT_NO_HANDLE);
    EXPECT_TRUE(fake.sent().empty());
}

}  // namespace
