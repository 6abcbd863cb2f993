// A controller table for tests of the CAPI library without the controller database: 64 transport
// contexts with their packet buffers, installed in the library for the fixture's lifetime. The database
// operations work on the contexts' processor devices; a rebuild runs what the test sets.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

#include "corlink/capi/controller_context.h"

namespace testsupport {

class FakeControllerTable {
  public:
    FakeControllerTable();
    ~FakeControllerTable();  // uninstalls
    FakeControllerTable(const FakeControllerTable&) = delete;
    FakeControllerTable& operator=(const FakeControllerTable&) = delete;

    CAPI_CONTROLLER_CONTEXT& context(uint32_t index) { return entries_[index].context; }
    // Packet buffers of CAPI_RECEIVE_GENERAL_BUFFER_SIZE bytes, made on first use.
    uint8_t* sendBuffer(uint32_t index);
    uint8_t* eventBuffer(uint32_t index);
    // The controllerHandle that entry `index` holds; (index + 1) x 256 by default.
    void setHandle(uint32_t index, CAPI_HANDLE handle) { entries_[index].handle = handle; }
    // An entry marked unused has no context, as an unallocated database entry.
    void setUnused(uint32_t index) { entries_[index].used = false; }
    // What a database rebuild does (nothing by default), and how many rebuilds were asked for.
    void onRebuild(std::function<void()> rebuild) { rebuild_ = std::move(rebuild); }
    uint32_t rebuilds() const { return rebuilds_; }

  private:
    struct Entry {
        CAPI_CONTROLLER_CONTEXT context{};
        std::vector<uint8_t> sendBuffer;
        std::vector<uint8_t> eventBuffer;
        CAPI_HANDLE handle = 0;
        bool used = true;
    };
    static CAPI_CONTROLLER_CONTEXT* ContextOf(uint32_t index);
    static CAPI_HANDLE HandleOf(uint32_t index);
    static void SetResponds(CAPI_HANDLE handle, uint8_t value);
    static int32_t FindBySerialNumber(const uint8_t serial[PROCESSOR_DEVICE_SERIAL_LENGTH]);
    static void Rebuild();
    static uint8_t* Buffer(std::vector<uint8_t>& buffer);

    std::unique_ptr<Entry[]> entries_;
    std::function<void()> rebuild_;
    uint32_t rebuilds_ = 0;
};

}  // namespace testsupport
