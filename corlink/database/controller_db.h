// The controller database: one RAID_CONTROLLER entry per reachable controller or partner placeholder,
// entries 0 to g_NumControllers - 1 in use (no holes), at most 64. Entries are allocated when they first
// come into use and keep their place in memory for the life of the process, so transport contexts and
// the I/O block pointers into them stay valid. No lock of its own: every reader and writer runs under the
// state-change mutex.
#pragma once

#include <cstdint>

#include "corlink/capi/controller_context.h"
#include "corlink/controller_entry/raid_controller.h"

constexpr uint32_t CONTROLLER_DB_SIZE = CAPI_MAX_CONTROLLERS;

class ControllerDb {
  public:
    ControllerDb() = default;
    ~ControllerDb();
    ControllerDb(const ControllerDb&) = delete;
    ControllerDb& operator=(const ControllerDb&) = delete;

    // Entry `index` (below CONTROLLER_DB_SIZE), allocated zeroed on first use.
    RAID_CONTROLLER& operator[](uint32_t index);
    // Entry `index` when it was ever allocated, else null; never allocates.
    RAID_CONTROLLER* Peek(uint32_t index) const;

  private:
    RAID_CONTROLLER* entries_[CONTROLLER_DB_SIZE] = {};
};

extern ControllerDb g_ControllerDb;
extern uint32_t g_NumControllers;

// The CAPI library's view of the database (installed in the library when the first entry is allocated).
void InstallControllerDbInCapi();

// ---- lookups: a database index, or -1 when no entry in use matches (the first match wins)
int32_t FindControllerByClientId(uint32_t clientId);
// The real controller behind a client id; *ab receives the failoverId of the entry the id names.
int32_t FindRealControllerByClientId(uint32_t clientId, uint8_t* ab);
int32_t FindControllerByHandle(CAPI_HANDLE handle);
// A real, responding controller whose serialNumber is exactly the text.
int32_t FindControllerBySerialText(const char* serialText);
// The controller whose serial, as 12 upper-case hex digits, is the text (see FindControllerBySerialText).
int32_t GetControllerBySerialNumber(const uint8_t serial[PROCESSOR_DEVICE_SERIAL_LENGTH]);
// Another entry whose serialNumber is this entry's otherSerialNumber.
int32_t FindPartnerController(int32_t index);
// The entry a reply or event address belongs to: the running command's controller, else an entry with
// that handle awaiting a reply, else any entry with that handle.
int32_t convertControllerHandle(const CAPI_ADDRESS* address);

// ---- entry properties
// The handle, with bit 0 set for a partner placeholder; 0 for an index not in use.
uint32_t GetClientControllerId(int32_t index);
// The entry's handle; 0 (logged) for an index not in use.
CAPI_HANDLE ControllerHandleOf(int32_t index);
// The responds flag of the entry's processor device; 0 for an index not in use.
uint8_t IsControllerResponding(int32_t index);

// ---- operations
// Sets the responds flag of every entry in use with this handle (placeholders included).
void SetResponds(CAPI_HANDLE handle, uint8_t value);
// Frees the entry's receive buffers and partition-view cache (a placeholder owns none).
void FreeController(int32_t index);
// Removes the entry, moving later entries one place down; returns the new g_NumControllers.
uint32_t RemoveController(int32_t index);
// Removes every entry (freeing what each owns) and zeroes every allocated entry, as at start (for tests).
void EmptyControllerDb();

// Points the entry's I/O block at `context` (its own, or its mate's for a placeholder).
void PointIoBlockAt(RAID_CONTROLLER& entry, CAPI_CONTROLLER_CONTEXT* context);

// The current time in seconds.
int64_t GetTimeSeconds();
