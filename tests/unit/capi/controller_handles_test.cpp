// Handles and contexts: the handle encoding, both directions of the lookup, entries not in use.
#include "corlink/capi/controller_handles.h"

#include <gtest/gtest.h>

#include "tests/support/fake_controller_table.h"

namespace {

using testsupport::FakeControllerTable;

TEST(ControllerHandles, Handle2ContextIgnoresTheLowByteAndRefusesIndexesOutsideTheTable) {
    FakeControllerTable table;
    const struct {
        CAPI_HANDLE handle;
        int entry;  // -1: no context
    } cases[] = {{256, 0},  {511, 0},    {1536, 5}, {16384, 63},      {16639, 63},
                 {255, -1}, {16640, -1}, {0, -1},   {0xFFFFFFFF, -1}, {0x10000, -1}};
    for (const auto& c : cases) {
        CAPI_CONTROLLER_CONTEXT* expected =
            c.entry < 0 ? nullptr : &table.context(static_cast<uint32_t>(c.entry));
        EXPECT_EQ(Handle2Context(c.handle), expected) << "handle 0x" << std::hex << c.handle;
    }
}

TEST(ControllerHandles, Context2HandleGivesTheEntrysHandleOrZero) {
    FakeControllerTable table;
    EXPECT_EQ(Context2Handle(&table.context(0)), 256u);
    EXPECT_EQ(Context2Handle(&table.context(5)), 1536u);
    EXPECT_EQ(Context2Handle(&table.context(63)), 16384u);
    CAPI_CONTROLLER_CONTEXT stray{};
    EXPECT_EQ(Context2Handle(&stray), 0u);
    EXPECT_EQ(Context2Handle(nullptr), 0u);
    // The handle follows from the entry's position, not from what the entry holds.
    table.setHandle(5, 0x100);
    EXPECT_EQ(Context2Handle(&table.context(5)), 1536u);
}

TEST(ControllerHandles, EntryNotInUseHasNoContext) {
    FakeControllerTable table;
    table.setUnused(3);
    EXPECT_EQ(Handle2Context(4 * 256), nullptr);
    EXPECT_EQ(Context2Handle(&table.context(3)), 0u);
    EXPECT_EQ(ControllerTableHandleOf(3), 0u);
    EXPECT_EQ(ControllerTableHandleOf(4), 5u * 256);
}

TEST(ControllerHandles, WithoutAControllerTableThereIsNoController) {
    CAPI_SetControllerTable(nullptr);
    EXPECT_EQ(Handle2Context(256), nullptr);
    CAPI_CONTROLLER_CONTEXT context{};
    EXPECT_EQ(Context2Handle(&context), 0u);
    EXPECT_EQ(ControllerTableHandleOf(0), 0u);
    const uint8_t serial[PROCESSOR_DEVICE_SERIAL_LENGTH] = {};
    EXPECT_EQ(CapiFindControllerBySerialNumber(serial), -1);
    CapiSetResponds(256, 0);
    CapiRebuildControllerDb();
}

}  // namespace
