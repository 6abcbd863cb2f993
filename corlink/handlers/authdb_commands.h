// The iSCSI authentication database commands: add, remove, modify (each committed), read one record, count
// the records, set or clear the target secret of every record, set one record's target secret and remember
// an initiator's secret. The secrets are the clients' data: they are passed through and never logged or
// dumped.
#pragma once

#include "corlink/handlers/handler_frame.h"

extern const FramedCommand kAddAuthDbRecord;
extern const FramedCommand kRemoveAuthDbRecord;
extern const FramedCommand kModifyAuthDbRecord;
extern const FramedCommand kGetAuthDbRecord;
extern const FramedCommand kGetAuthDbRecordCount;
extern const FramedCommand kSetAllTargetSecret;
extern const FramedCommand kClearAllTargetSecret;
extern const FramedCommand kSetTargetSecret;
extern const FramedCommand kRememberInitiatorSecret;
