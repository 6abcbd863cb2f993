#include "tools/vss_standin/array_view.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <sstream>

#include "platform/devices/fabric_client.h"

namespace standin {

bool ArraysVisible() {
    const char* socketPath = std::getenv("CORLINK_FABRIC");
    return socketPath != nullptr && *socketPath != '\0';
}

bool ReadArrayVolumes(const std::string& socketPath, std::vector<ArrayVolume>* volumes) {
    std::string answer;
    if (!platform::SendFabricAdmin(socketPath, "volumes", &answer) || answer.rfind("ok", 0) != 0)
        return false;
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

namespace {

// The fabric's volumes, or false (printed when a fabric was named but could not be asked).
bool FabricVolumes(CallLog& log, std::vector<ArrayVolume>* volumes) {
    if (!ArraysVisible()) return false;
    if (ReadArrayVolumes(std::getenv("CORLINK_FABRIC"), volumes)) return true;
    log.Problem("the fabric's volumes could not be read");
    return false;
}

bool SameText(const std::string& a, const std::string& b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::tolower(static_cast<unsigned char>(x)) ==
                      std::tolower(static_cast<unsigned char>(y));
           });
}

void PrintVolume(CallLog& log, const ArrayVolume& volume) {
    log.Fact("array: " + volume.kind + " " + volume.serial + " " + volume.name + " description \"" +
             volume.description + "\"");
}

}  // namespace

size_t PrintArraySnapshots(CallLog& log) {
    std::vector<ArrayVolume> volumes;
    if (!FabricVolumes(log, &volumes)) return 0;
    size_t snapshots = 0;
    for (const ArrayVolume& volume : volumes) {
        if (volume.kind != "snapshot") continue;
        ++snapshots;
        PrintVolume(log, volume);
    }
    if (snapshots == 0) log.Fact("array: no snapshot");
    return snapshots;
}

size_t PrintArrayVolumes(CallLog& log, const std::vector<std::string>& serials) {
    std::vector<ArrayVolume> volumes;
    if (!FabricVolumes(log, &volumes)) return 0;
    size_t found = 0;
    for (const std::string& serial : serials) {
        for (const ArrayVolume& volume : volumes) {
            if (!SameText(volume.serial, serial)) continue;
            ++found;
            PrintVolume(log, volume);
        }
    }
    if (found == 0) log.Fact("array: none of the set's volumes");
    return found;
}

}  // namespace standin
