// The stores behind the reply callback, one family each. Each acts only on its own reply codes and
// returns 1 when it took the reply. `index` is a valid database index.
#pragma once

#include <cstdint>

struct ReplyArgs {
    uint32_t replyCode;
    int32_t errorCode;
    int32_t index;
    uint32_t param1;
    uint32_t param2;
    uint32_t param3;
    const void* payload;  // may be null
};

// Controller data, drive, array and enclosure lists, the sequence number and the controller's reports.
int StoreControllerReply(const ReplyArgs& reply);
// Partition lists and volume data of one array, free partitions, the partition view.
int StorePartitionReply(const ReplyArgs& reply);
// Event records into the event buffer (reply 0 as well).
int StoreEventReply(const ReplyArgs& reply, uint32_t addressHandle);
// Paged-storage pools and their components.
int StorePoolReply(const ReplyArgs& reply);
