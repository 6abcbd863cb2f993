// A snapshot LUN the service names, found on the arrays: its serial text parsed into the partition ID, the
// partition looked up in the controller set, and the controllers rediscovered once when it is not there.
#pragma once

#include <vector>

#include "platform/com/vds_lun.h"
#include "provider/controllers/lun_identification.h"
#include "provider/controllers/raid_controller_set.h"

// Which controllers the lookup hands back.
enum class LunControllers {
    First,  // the first controller in set order that has the partition
    All,    // every one that has it, with the array
};

// What a lookup that fails does.
enum class LunRediscovery {
    Never,
    LookAgain,              // rediscovers the controllers and looks again
    LookAgainIfDiscovered,  // looks again only when the rediscovery succeeded
};

class BVSS_LunLookup {
  public:
    BVSS_LunLookup(BVSS_RaidControllerSet& set, LunControllers controllers)
        : set_(set), wanted_(controllers) {}

    // Parses the LUN's serial text; a text that does not parse writes parseFailedEvent (when given) with the
    // text as its insert.
    HRESULT Parse(const VDS_LUN_INFORMATION* lun, const WCHAR* parseFailedEvent = nullptr);
    // Looks the parsed partition up, once more after a rediscovery by the policy. A serial that did not parse
    // is a partition no controller has (VSS_E_OBJECT_NOT_FOUND), rediscovery included.
    HRESULT Find(LunRediscovery rediscovery);
    // Whether the last Find rediscovered the controllers.
    bool Rediscovered() const { return rediscovered_; }

    BYTE serial[kParsedSerialBytes] = {};  // its first 16 bytes are the partition ID
    CAPI_ARRAY_PARTITION* partition = nullptr;
    CAPI_ARRAY* array = nullptr;                        // with LunControllers::All
    BVSS_CapiRaidController* controller = nullptr;      // with LunControllers::First
    std::vector<BVSS_CapiRaidController*> controllers;  // with LunControllers::All

  private:
    HRESULT LookUp();

    BVSS_RaidControllerSet& set_;
    const LunControllers wanted_;
    bool parsed_ = false;
    bool rediscovered_ = false;
};
