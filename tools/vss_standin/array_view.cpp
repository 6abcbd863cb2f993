#include "tools/vss_standin/array_view.h"

#include <cstdlib>
#include <sstream>

#include "platform/fabric_client.h"

namespace standin {


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

}  // namespace standin
