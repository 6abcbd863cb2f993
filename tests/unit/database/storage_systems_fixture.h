// Storage systems made from controller pairs that carry a UniqueSN and a password, with the proxy's debug
// log in a fresh machine root.
#pragma once

#include <cstring>
#include <string>

#include "corlink/foundation/log.h"
#include "tests/support/test_root.h"
#include "tests/unit/database/discovery_db_fixture.h"

class StorageSystemsTest : public DiscoveryDbTest {
  protected:
    // A pair A (failoverId 1) and B with the storage system's UniqueSN and password.
    static void AppendPair(const std::string& a, const std::string& b, const char* uniqueSN,
                           const char* password) {
        for (RAID_CONTROLLER* entry : {&Append({a, b, 1}), &Append({b, a, 0})}) {
            std::strcpy(entry->UniqueSN, uniqueSN);
            std::strcpy(entry->networkInterface.ftpPassword, password);
            std::strcpy(entry->networkInterface.systemName, "sys");
        }
    }

    StorageSystemsTest() {
        root.SetString("SYSTEM\\CurrentControlSet\\Services\\corlink4\\Debug", "FileName", LogPath());
        OpenDebugFile(nullptr);
    }
    ~StorageSystemsTest() override { CloseDebugFile(); }
    std::string LogPath() const { return root.path() + "/debug.log"; }

    testsupport::TestRoot root;
};
