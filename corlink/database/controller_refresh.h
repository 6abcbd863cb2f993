// Re-reading a controller into its database entry, and deciding when that is needed. Every read clears
// the entry's updateStatus, sends through a CAPI wrapper (the reply callback stores the data and sets the
// status) and waits for the status. All of it runs under the state-change mutex.
#pragma once

#include <cstdint>

// WaitForUpdate results.
constexpr int UPDATE_WAIT_STORED = 0;
constexpr int UPDATE_WAIT_FAILED = 1;
constexpr int UPDATE_WAIT_TIMED_OUT = 2;

constexpr int32_t CAPI_RESULT_LINK_BUSY = 10005;

extern uint32_t g_UpdateTimeouts;

// Waits (at most 60 s) for the reply of a read that the wrapper sent with `result`.
int WaitForUpdate(int32_t result, int32_t index);
// Polls the CAPI library when 500 ms have passed since the last poll; the milliseconds since then.
uint64_t PollCapi();
// Reads the unified controller data into g_UnifiedControllerBuffer; 0 for a shut-down controller.
int RequestUnifiedControllerData(int32_t index);
// Reads controller data, array list, drive list and paged-storage pools into the entry.
int UpdateController(int32_t index);
// UpdateController; true only when it read both the controller's data and its array list, so that the
// entry shows which arrays the controller has now.
bool UpdateControllerArrays(int32_t index);
// UpdateController of the entry and then of its mate; -1 when it has none.
int UpdateControllerAndPartner(int32_t index);
// Re-reads the entry when its configuration sequence numbers show a change (three tries, 5 s apart).
int RefreshController(int32_t index);
int isNeedRefreshController(int32_t index);
// Reads the partitions of one array of the entry into the partition table.
int UpdateArrayPartition(int32_t index, int32_t array);
// Reads the enclosures and each enclosure's advanced record.
void UpdateDriveEnclosures(int32_t index);
// Reads the view of one partition (16-byte serial) into the entry; the wrapper's result.
int UpdatePartitionView(int32_t index, const uint8_t* partitionSerial);
// Clears, in the entry's partition view, the flags of the host channels the controller does not have.
void ClearAbsentChannelFlags(int32_t index);
// 1 when both controllers of the entry's own unified record refuse configuration changes (never judged
// by a record that another controller sent last).
int IsConfigChangeRefused(int32_t index);
