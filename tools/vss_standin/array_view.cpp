#include "tools/vss_standin/array_view.h"

#include <cstdlib>
#include <sstream>
#include <thread>

#include "platform/fabric_client.h"

namespace standin {

namespace {

// How long a proxy whose periodic discovery is on may take to run it: a few of its discovery periods at the
// time scale the demo and the tests give it.
constexpr std::chrono::seconds kDiscoveryBound{15};
constexpr std::chrono::milliseconds kJournalPoll{100};

bool JournalHasCapiCommand(const std::string& socketPath) {
    std::string journal;
    if (!platform::SendFabricAdmin(socketPath, "journal", &journal)) return false;
    return journal.find("\ncapi ") != std::string::npos;
}

}  // namespace

bool ReadArrayVolumes(const std::string& socketPath, std::vector<ArrayVolume>* volumes) {
    std::string answer;
    if (!platform::SendFabricAdmin(socketPath, "volumes", &answer) || answer.rfind("ok", 0) != 0) return false;
    volumes->clear();
    std::istringstream lines(answer);
    std::string line;
    while (std::getline(lines, line)) {
        // "volume <pair> <kind> <serial> name=<name> description=<text>"
        std::istringstream words(line);
        std::string word, pair, name;
        ArrayVolume volume;
        if (!(words >> word >> pair >> volume.kind >> volume.serial >> name) || word != "volume") continue;
        volume.name = name.substr(name.find('=') + 1);
        const size_t description = line.find(" description=");
        if (description != std::string::npos) volume.description = line.substr(description + 13);
        volumes->push_back(volume);
    }
    return true;
}

void PrintArraySnapshots(CallLog& log) {
    const char* socketPath = std::getenv("CORLINK_FABRIC");
    if (socketPath == nullptr || *socketPath == '\0') return;
    std::vector<ArrayVolume> volumes;
    if (!ReadArrayVolumes(socketPath, &volumes)) {
        log.Problem("the fabric's volumes could not be read");
        return;
    }
    size_t snapshots = 0;
    for (const ArrayVolume& volume : volumes) {
        if (volume.kind != "snapshot") continue;
        ++snapshots;
        log.Fact("array: snapshot " + volume.serial + " " + volume.name + " description \"" + volume.description + "\"");
    }
    if (snapshots == 0) log.Fact("array: no snapshot");
}

bool PeriodicDiscoveryRuns(const std::string& socketPath, std::chrono::milliseconds bound) {
    std::string answer;
    if (!platform::SendFabricAdmin(socketPath, "clear-journal", &answer) || answer != "ok") return false;
    const auto deadline = std::chrono::steady_clock::now() + bound;
    while (std::chrono::steady_clock::now() < deadline) {
        if (JournalHasCapiCommand(socketPath)) return true;
        std::this_thread::sleep_for(kJournalPoll);
    }
    return false;
}

bool PrintPeriodicDiscovery(CallLog& log) {
    const char* socketPath = std::getenv("CORLINK_FABRIC");
    if (socketPath == nullptr || *socketPath == '\0') return true;
    if (PeriodicDiscoveryRuns(socketPath, kDiscoveryBound)) {
        log.Fact("array: the proxy's periodic discovery reaches the controllers again (its discovery flag is on)");
        return true;
    }
    log.Problem("the proxy's periodic discovery does not run (its discovery flag is off)");
    return false;
}

}  // namespace standin
