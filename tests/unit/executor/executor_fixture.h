// Commands run through the exported executor, and an executor initialised once for a suite in a fresh
// machine root.
#pragma once

#include <arpa/inet.h>
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "corlink/executor/executor.h"
#include "corlink/handlers/rre.h"
#include "tests/support/test_root.h"

struct Reply {
    int32_t status;
    uint32_t code;
    int32_t length;
};

// Runs one command through the exported executor with a buffer of exactly `bufferSize` bytes.
inline Reply Exec(uint32_t command, uint32_t length, std::vector<uint8_t>& buffer, uint32_t trusted = 1) {
    Rre rre{command, length, buffer.data(), static_cast<uint32_t>(buffer.size()), -7, trusted};
    rreExecCommand(&rre);
    uint32_t head[2];
    std::memcpy(head, buffer.data(), sizeof head);
    return {static_cast<int32_t>(ntohl(head[0])), ntohl(head[1]), rre.ReplyLength};
}

inline Reply Exec(uint32_t command, uint32_t length) {
    std::vector<uint8_t> buffer(length < 64 ? 64 : length, 0);
    return Exec(command, length, buffer);
}

class InitializedExecutorTest : public ::testing::Test {
  protected:
    static void SetUpTestSuite() {
        root_ = new testsupport::TestRoot;
        ASSERT_EQ(rreInitialize(), 0u);
    }
    static void TearDownTestSuite() {
        rreTerminate();
        delete root_;
    }
    static inline testsupport::TestRoot* root_ = nullptr;
};
