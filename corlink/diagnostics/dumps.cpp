#include "corlink/diagnostics/dumps.h"

#include <cstdio>
#include <string>

#include "corlink/service/service_params.h"
#include "platform/files.h"

namespace {

int AppendTitle(const void* structure, const char* title) {
    if (!IsDumpEnabled() || structure == nullptr) return 0;
    std::string path = std::string(g_InstallDirectory) + "corlink.dat";
    FILE* f = platform::OpenFile(path.c_str(), "a");
    if (f == nullptr) return 0;
    std::fprintf(f, "%s\n", title);
    std::fclose(f);
    return 1;
}

}  // namespace

int DumpRaidController(const RAID_CONTROLLER* controller) { return AppendTitle(controller, "RAID_CONTROLLER"); }

int DumpCapiAdvancedDriveEnclosure(const CAPI_ADVANCED_DRIVE_ENCLOSURE* enclosure) {
    return AppendTitle(enclosure, "CAPI_ADVANCED_DRIVE_ENCLOSURE");
}
