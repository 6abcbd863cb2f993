#include "tests/support/fake_controller_table.h"

#include <cstring>

#include "corlink/capi/controller_handles.h"
#include "corlink/capi_wire/capi_protocol.h"

namespace testsupport {

namespace {
FakeControllerTable* g_Table = nullptr;
}  // namespace

FakeControllerTable::FakeControllerTable() : entries_(new Entry[CAPI_MAX_CONTROLLERS]) {
    for (uint32_t i = 0; i < CAPI_MAX_CONTROLLERS; ++i) {
        entries_[i].handle = (i + 1) * CAPI_HANDLE_STEP;
    }
    g_Table = this;
    static const CapiControllerTable hooks = {
        &FakeControllerTable::ContextOf, &FakeControllerTable::HandleOf, &FakeControllerTable::SetResponds,
        &FakeControllerTable::FindBySerialNumber, &FakeControllerTable::Rebuild};
    CAPI_SetControllerTable(&hooks);
}

FakeControllerTable::~FakeControllerTable() {
    CAPI_SetControllerTable(nullptr);
    g_Table = nullptr;
}

uint8_t* FakeControllerTable::Buffer(std::vector<uint8_t>& buffer) {
    if (buffer.empty()) {
        buffer.assign(CAPI_RECEIVE_GENERAL_BUFFER_SIZE, 0);
    }
    return buffer.data();
}

uint8_t* FakeControllerTable::sendBuffer(uint32_t index) { return Buffer(entries_[index].sendBuffer); }

uint8_t* FakeControllerTable::eventBuffer(uint32_t index) { return Buffer(entries_[index].eventBuffer); }

CAPI_CONTROLLER_CONTEXT* FakeControllerTable::ContextOf(uint32_t index) {
    Entry& entry = g_Table->entries_[index];
    return entry.used ? &entry.context : nullptr;
}

CAPI_HANDLE FakeControllerTable::HandleOf(uint32_t index) {
    Entry& entry = g_Table->entries_[index];
    return entry.used ? entry.handle : 0;
}

void FakeControllerTable::SetResponds(CAPI_HANDLE handle, uint8_t value) {
    for (uint32_t i = 0; i < CAPI_MAX_CONTROLLERS; ++i) {
        if (ContextOf(i) != nullptr && HandleOf(i) == handle) {
            ProcessorDeviceOf(g_Table->entries_[i].context).responds = value;
        }
    }
}

int32_t FakeControllerTable::FindBySerialNumber(const uint8_t serial[PROCESSOR_DEVICE_SERIAL_LENGTH]) {
    for (uint32_t i = 0; i < CAPI_MAX_CONTROLLERS; ++i) {
        const CAPI_CONTROLLER_CONTEXT* context = ContextOf(i);
        if (context != nullptr && ProcessorDeviceOf(*context).responds &&
            std::memcmp(ProcessorDeviceOf(*context).controllerSerialNumber, serial,
                        PROCESSOR_DEVICE_SERIAL_LENGTH) == 0) {
            return static_cast<int32_t>(i);
        }
    }
    return -1;
}

void FakeControllerTable::Rebuild() {
    ++g_Table->rebuilds_;
    if (g_Table->rebuild_) {
        g_Table->rebuild_();
    }
}

}  // namespace testsupport
