// What each row of the command table reaches, against the default fabric: a runner of the command queue
// takes on other sessions' commands only when their rows say they are answered from the database, so every
// such row must leave the fabric's journal empty.
#include <gtest/gtest.h>

#include <set>
#include <vector>

#include "corlink/executor/command_table.h"
#include "corlink/proxy_wire/proxy_commands.h"
#include "tests/unit/handlers/proxy_command_fixture.h"

namespace {

using simtest::Reach;

class CommandReachTest : public proxytest::ProxyCommandTest {
  protected:
    // The row's command with a request that names controller A (as the list commands carry it, or at
    // offset 8), trusted or not.
    static void Run(const RreCommandInfo& row, uint32_t trusted) {
        if (row.requestLength == 4) {
            List(row.code, proxytest::kHandleA);
            return;
        }
        const uint32_t length =
            row.requestLength == kAnyLength ? 12 : static_cast<uint32_t>(row.requestLength);
        Exec(row.code, length, proxytest::kHandleA, nullptr, trusted);
    }
};

INSTANTIATE_TEST_SUITE_P(Reach, CommandReachTest, ::testing::Values(Reach::InProcess), simtest::ReachName);

TEST_P(CommandReachTest, RowsAnsweredFromTheDatabaseExchangeNothingWithTheFabric) {
    // The database rows first, while the database holds what discovery found; then the others, which
    // may change the fabric.
    std::vector<const RreCommandInfo*> rows;
    for (CommandReach reach : {CommandReach::Database, CommandReach::Outside}) {
        for (uint32_t code = 0; code < RRE_COMMAND_COUNT; ++code) {
            const RreCommandInfo* row = FindRreCommand(code);
            if (row != nullptr && row->reach == reach) rows.push_back(row);
        }
    }
    std::set<uint32_t> exchanged;
    for (uint32_t trusted : {1u, 0u}) {
        for (const RreCommandInfo* row : rows) {
            fabric_->journal().Clear();
            Run(*row, trusted);
            if (!fabric_->journal().Entries().empty() || !fabric_->journal().DiskEntries().empty()) {
                exchanged.insert(row->code);
            }
            if (row->reach == CommandReach::Database) {
                EXPECT_EQ(exchanged.count(row->code), 0u) << "code " << row->code << " trusted " << trusted;
            }
        }
    }
    // The requests reach the controller where a command talks to it.
    EXPECT_EQ(exchanged.count(RRE_GET_CONTROLLER), 1u);
    EXPECT_EQ(exchanged.count(RRE_GET_ARRAY_LIST), 1u);
}

}  // namespace
