// The commands of the controllers' point-in-time copy services: snapshots (create, commit, delete, reset),
// their lists and statistics, master volumes (convert, roll back), backing stores, rolloff volumes (full
// copies) and the data-management tag and policies. Every one runs on the common handler frame.
#pragma once

#include "corlink/handlers/handler_frame.h"

extern const FramedCommand kDmsGetTag;
extern const FramedCommand kCreateSnapshot;
extern const FramedCommand kCommitSnapshot;
extern const FramedCommand kDeleteAllSnapshots;
extern const FramedCommand kDeleteSnapshot;
extern const FramedCommand kResetSnapshot;
extern const FramedCommand kRollbackMasterVolume;
extern const FramedCommand kConvertMasterVolume;
extern const FramedCommand kDmsSetPolicy;
extern const FramedCommand kDmsSetThresholdLevel;
extern const FramedCommand kSetDmsPolicy;

// The list commands: a reply store's count and records copied into the reply.
extern const FramedCommand kGetBackingStoreList;
extern const FramedCommand kGetMasterVolumeList;
extern const FramedCommand kGetSnapshotList;
extern const FramedCommand kGetSnapshotStatistics;
extern const FramedCommand kDmsGetPolicyThresholdList;

// Rolloff volumes.
extern const FramedCommand kRolloffVolume;
extern const FramedCommand kAbortRolloffVolume;
extern const FramedCommand kGetRolloffVolumeList;
