// SET_DISCOVERY_FLAG through the executor: the byte stored, the request answered.
#include "corlink/handlers/discovery_flag.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "corlink/database/database_state.h"
#include "tests/unit/executor/executor_fixture.h"

namespace {

TEST_F(InitializedExecutorTest, SetDiscoveryFlagStoresTheByteAndAnswers) {
    for (uint8_t value : {0, 1}) {
        std::vector<uint8_t> buffer(12, 0xEE);
        buffer[8] = value;
        Reply r = Exec(106, 12, buffer, 0);
        EXPECT_EQ(r.status, 0);
        EXPECT_EQ(r.code, 0u);
        EXPECT_EQ(r.length, 12);
        EXPECT_EQ(g_DiscoveryFlag, value);
    }
}

}  // namespace
