#include "corlink/handlers/reinit_controller.h"

#include <algorithm>
#include <cctype>
#include <cstring>
#include <string>

#include "corlink/database/controller_db.h"
#include "corlink/foundation/log.h"
#include "corlink/foundation/service_params.h"
#include "corlink/handlers/install_file_name.h"
#include "corlink/handlers/reinit_deletions.h"
#include "platform/files/contained_files.h"

namespace {

struct Step {
    int32_t (*operation)(int32_t index);
    const char* failureLine;
};

constexpr Step kBeforeFiles[] = {
    // clang-format off
    {deleteAllPartitions, "capicmd==>>capiReinitController.deleteAllPartitions %d!\n"},
    {freeAllChache, "capicmd==>>capiReinitController.freeAllChache %d!\n"},
    {deleteAllArray, "capicmd==>>capiReinitController.deleteAllArray %d!\n"},
    {deleteAllNickName, "capicmd==>>capiReinitController.deleteAllNickName %d!\n"},
    // clang-format on
};
constexpr Step kAfterFiles[] = {
    // clang-format off
    {deleteAllDiskSpare, "capicmd==>>capiReinitController.deleteAllDiskSpare %d!\n"},
    {deleteAllDiskMetadata, "capicmd==>>capiReinitController.clearAllDiskMetadata %d!\n"},
    // clang-format on
};

// Runs every step whatever the earlier ones did, each on the controller found again by its serial (a
// rediscovery inside a step may move the entry); false when any failed.
template <size_t N>
bool RunSteps(const Step (&steps)[N], CommandContext& c) {
    bool allDone = true;
    for (const Step& step : steps) {
        const int32_t index = FindControllerAgain(c.identity);
        if (index < 0) return false;
        c.index = index;
        const int32_t result = step.operation(index);
        if (result != 0) {
            DebugPrint(step.failureLine, result);
            allDone = false;
        }
    }
    return allDone;
}

// The controller's disk file "<UniqueSN>.dsk.bin", when its UniqueSN is letters and digits alone.
void DeleteDiskFile(const RAID_CONTROLLER& entry) {
    const std::string uniqueSn(entry.UniqueSN, strnlen(entry.UniqueSN, sizeof entry.UniqueSN));
    const bool plain = !uniqueSn.empty() && std::all_of(uniqueSn.begin(), uniqueSn.end(), [](char c) {
        return std::isalnum(static_cast<unsigned char>(c)) != 0;
    });
    if (plain) platform::DeleteContainedFile(g_InstallDirectory, uniqueSn + ".dsk.bin");
}

// The request's files (at most 32); names that would leave the install directory are skipped, and
// failures to delete are ignored.
void DeleteRequestedFiles(const uint8_t* buffer) {
    const auto* request = rre_wire::BufferAs<RRE_REINIT_BUFFER>(buffer);
    const uint32_t count = std::min(request->fileCount, REINIT_MOST_FILES);
    for (uint32_t f = 0; f < count; ++f) {
        std::string name;
        if (ReadInstallFileName(reinterpret_cast<const uint8_t*>(request->fileNames[f].text),
                                REINIT_FILE_NAME_SIZE, &name)) {
            platform::DeleteContainedFile(g_InstallDirectory, name);
        }
    }
}

int32_t RunReinitController(CommandContext& c) {
    DebugPrint("capicmd==>>API_REINIT_CONTROLLER\n");
    bool allDone = RunSteps(kBeforeFiles, c);
    const int32_t index = FindControllerAgain(c.identity);
    if (index >= 0) DeleteDiskFile(g_ControllerDb[static_cast<uint32_t>(index)]);
    DeleteRequestedFiles(c.buffer);
    allDone = RunSteps(kAfterFiles, c) && allDone;
    return allDone ? 0 : -1;
}

}  // namespace

const FramedCommand kReinitController{
    Lookup::ClientId, FirstRead::Update, true, nullptr, RunReinitController, false, nullptr};
