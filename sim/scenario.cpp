#include "sim/scenario.h"

// Scenario files are plain ASCII and kept as bytes: no character conversion.
#define SI_NO_CONVERSION
#define SI_IMPLEMENTATION  // the packaged header keeps its template bodies behind this switch
#include <SimpleIni.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>

#include "sim/capi/records.h"
#include "sim/model/array_config.h"
#include "sim/model/identifiers.h"

namespace sim {
namespace {

class SectionReader {
  public:
    SectionReader(const CSimpleIniA& ini, const char* section, std::string* error)
        : ini_(ini), section_(section), error_(error) {}

    bool ok() const { return ok_; }

    std::string Text(const char* key, const char* fallback) const {
        const char* value = ini_.GetValue(section_, key, fallback);
        return value != nullptr ? value : "";
    }
    std::string RequiredText(const char* key) {
        const char* value = ini_.GetValue(section_, key, nullptr);
        if (value == nullptr || *value == '\0') Fail(key, "is missing");
        return value != nullptr ? value : "";
    }
    uint32_t Number(const char* key, uint32_t fallback, uint32_t max) {
        const char* value = ini_.GetValue(section_, key, nullptr);
        if (value == nullptr) return fallback;
        char* end = nullptr;
        unsigned long long number = std::strtoull(value, &end, 0);
        if (end == value || *end != '\0' || number > max) {
            Fail(key, "is not a number in range");
            return fallback;
        }
        return static_cast<uint32_t>(number);
    }
    template <size_t N>
    void Hex(const char* key, std::array<uint8_t, N>* bytes) {
        const char* value = ini_.GetValue(section_, key, nullptr);
        if (value == nullptr) return;  // keeps the derived value
        if (!BytesFromHexText(value, bytes->data(), N)) Fail(key, "is not hexadecimal of the right length");
    }

    void Refuse(const char* key, const char* what) { Fail(key, what); }

    // The index of the section this key names among `sections`; false (and the reason) when it names none.
    bool Reference(const char* key, const std::vector<std::string>& sections, size_t* index) {
        const std::string name = RequiredText(key);
        for (size_t i = 0; i < sections.size(); ++i) {
            if (sections[i] == name) {
                *index = i;
                return ok_;
            }
        }
        Fail(key, "names an unknown section");
        return false;
    }

    void Fail(const char* key, const char* what) {
        if (ok_) *error_ = std::string("[") + section_ + "] " + key + " " + what;
        ok_ = false;
    }

  private:
    const CSimpleIniA& ini_;
    const char* section_;
    std::string* error_;
    bool ok_ = true;
};

constexpr uint32_t kAdapterLimit = 31;
constexpr uint32_t kMaxWaitSeconds = 3600;
constexpr uint32_t kEnclosureLimit = 16;
constexpr uint32_t kMaxFreeMb = 1u << 30;
constexpr uint32_t kNoFreeSize = kMaxFreeMb + 1;  // free_mb not given: the array's default capacity

// The host channels' bus type: fc, sas, iscsi or hybrid.
bool ReadBusType(const std::string& name, HostBusTypeList* busTypes) {
    static const struct {
        const char* name;
        HostBusTypeList types;
    } kTypes[] = {{"fc", HostBusTypes(kBusTypeFc)},
                  {"sas", HostBusTypes(kBusTypeSas)},
                  {"iscsi", HostBusTypes(kBusTypeIscsi)},
                  {"hybrid", HybridHostBusTypes()}};
    for (const auto& t : kTypes) {
        if (name != t.name) continue;
        *busTypes = t.types;
        return true;
    }
    return false;
}

bool HasPrefix(const char* name, const char* prefix) { return std::string(name).rfind(prefix, 0) == 0; }

// A volume's mappings to host ports: host_port_<k> (its WWN), host_lun_<k> and host_flags_<k> (the flags
// byte of every channel), k = 1 to 4.
void ReadHostMaps(SectionReader& r, Partition* partition) {
    for (int k = 1; k <= 4; ++k) {
        const std::string n = std::to_string(k);
        Wwn port{};
        r.Hex(("host_port_" + n).c_str(), &port);
        if (port == Wwn{}) continue;
        HostMapping mapping;
        mapping.host = HostPortId::Fc(port);
        mapping.map.hlun = static_cast<uint16_t>(r.Number(("host_lun_" + n).c_str(), 0, 1023));
        mapping.map.flags.fill(static_cast<uint8_t>(r.Number(("host_flags_" + n).c_str(), 0, 255)));
        partition->hostMaps.push_back(mapping);
    }
}

// Each enclosure's identity: enclosure_<k>_serial (up to 32 characters), _name and _location (up to 20),
// _rack and _rack_position, k = 1 to the enclosure count; what is absent keeps its default (EnclosureOf).
void ReadEnclosures(SectionReader& r, StorageSystem* system) {
    for (size_t k = 0; k < EnclosureCount(*system); ++k) {
        const std::string prefix = "enclosure_" + std::to_string(k + 1) + "_";
        auto key = [&](const char* base) { return prefix + base; };
        Enclosure e = EnclosureOf(*system, k);
        e.serial = r.Text(key("serial").c_str(), e.serial.c_str()).substr(0, 32);
        if (e.serial.empty()) r.Refuse(key("serial").c_str(), "is empty");
        e.name = r.Text(key("name").c_str(), e.name.c_str()).substr(0, 20);
        e.location = r.Text(key("location").c_str(), e.location.c_str()).substr(0, 20);
        e.rackNumber = static_cast<uint8_t>(r.Number(key("rack").c_str(), e.rackNumber, 255));
        e.rackPosition = static_cast<uint8_t>(r.Number(key("rack_position").c_str(), e.rackPosition, 255));
        system->settings.enclosures.push_back(e);
    }
}

bool ReadSystem(const CSimpleIniA& ini, const char* section, StorageSystem* system, std::string* error) {
    SectionReader r(ini, section, error);
    system->name = r.RequiredText("name");
    system->product = r.Text("product", "Stor 3920");
    // the 4 characters of INQUIRY
    system->revision = r.Text("revision", system->revision.c_str()).substr(0, 4);
    const uint32_t drives = r.Number("drives", 12, 250);
    system->uniqueSn = r.Text("unique_sn", "555555").substr(0, 6);
    const uint32_t target = r.Number("target", 0, 255);
    const uint32_t lun = r.Number("management_lun", 0, 255);
    const uint32_t type = r.Number("management_lun_type", 0x0D, 0x1F);
    const char* suffix[2] = {"_a", "_b"};
    for (int i = 0; i < 2; ++i) {
        Controller& c = system->controllers[i];
        auto key = [&](const char* base) { return std::string(base) + suffix[i]; };
        c.failoverId = i == 0 ? 1 : 0;
        c.managementLun.adapter =
            static_cast<uint8_t>(r.Number(key("adapter").c_str(), static_cast<uint32_t>(2 + i), 31));
        c.managementLun.bus = 0;
        c.managementLun.target = static_cast<uint8_t>(target);
        c.managementLun.lun = static_cast<uint8_t>(lun);
        c.managementLunType = static_cast<uint8_t>(type);
        c.portNumber = static_cast<uint8_t>(r.Number(key("port").c_str(), 0, 255));
        r.Hex(key("serial").c_str(), &c.serial);
        r.Hex(key("unique_id").c_str(), &c.uniqueId);
        r.Hex(key("host_port").c_str(), &c.hostPort);
        r.Hex(key("port_wwpn").c_str(), &c.portWwpn);
        r.Hex(key("port_wwnn").c_str(), &c.portWwnn);
        const std::string interfaceType = r.Text("interface", "F");
        c.hostInterfaceType = interfaceType.empty() ? 'F' : interfaceType[0];
        c.settings.stateByte =
            static_cast<uint8_t>(r.Number(key("state").c_str(), kStateOperating, kStateRefusingChanges));
        c.settings.restartMs =
            r.Number(key("restart_seconds").c_str(), c.settings.restartMs / 1000, kMaxWaitSeconds) * 1000;
        c.settings.shutdownMs = r.Number(key("shutdown_seconds").c_str(), 0, kMaxWaitSeconds) * 1000;
    }
    system->settings.enclosureCount = r.Number("enclosures", 1, kEnclosureLimit);
    if (!ReadBusType(r.Text("host_bus", "fc"), &system->params.hostBusTypes)) {
        r.Refuse("host_bus", "is not fc, sas, iscsi or hybrid");
    }
    // The enclosure's WWN carries the controller serial's middle bytes (bytes 4 to 6).
    const Serial6& serial = system->controllers[0].serial;
    system->enclosureWwn = {0x50, 0x0C, 0x0F, 0xF0, serial[2], serial[3], serial[4], 0x3C};
    r.Hex("enclosure_wwn", &system->enclosureWwn);
    ReadEnclosures(r, system);
    system->params.numHostChannels = r.Number("host_channels", 2, kMapChannels);
    SnapshotLimits& limits = system->params.snapshotLimits;
    limits.maxSnapshots = static_cast<uint16_t>(r.Number("max_snapshots", limits.maxSnapshots, 0xFFFF));
    limits.maxSnapshotsPerControllerPair =
        static_cast<uint16_t>(r.Number("max_snapshots_pair", limits.maxSnapshotsPerControllerPair, 0xFFFF));
    limits.maxSnapshotsPerVolume =
        static_cast<uint16_t>(r.Number("max_snapshots_volume", limits.maxSnapshotsPerVolume, 0xFFFF));
    for (uint32_t i = 0; i < drives; ++i) {
        char driveSerial[40];
        std::snprintf(driveSerial, sizeof driveSerial, "%sD%02u", HexText(serial).c_str(), i);
        system->drives.push_back({driveSerial});
    }
    return r.ok();
}

// The host: its ports (by default the host ports the controllers' commands arrive through) and its
// local disks ("local_disk.*" sections).
bool ReadHost(const CSimpleIniA& ini, const CSimpleIniA::TNamesDepend& sections, FabricModel* model,
              std::string* error) {
    Host& host = model->host;
    for (const StorageSystem& system : model->systems) {
        for (const Controller& c : system.controllers) {
            if (c.hostPort != Wwn{} &&
                std::find(host.fcPorts.begin(), host.fcPorts.end(), c.hostPort) == host.fcPorts.end()) {
                host.fcPorts.push_back(c.hostPort);
            }
        }
    }
    SectionReader r(ini, "host", error);
    for (const char* key : {"fc_port_1", "fc_port_2", "fc_port_3", "fc_port_4"}) {
        Wwn port{};
        r.Hex(key, &port);
        if (port != Wwn{}) host.fcPorts.push_back(port);
    }
    const std::string iscsi = r.Text("iscsi_name", "");
    if (!iscsi.empty()) host.iscsiNames.push_back(iscsi.substr(0, 223));
    host.serialTextLength = r.Number("serial_text_length", 0, 1024);
    host.storageWmi = r.Number("storage_wmi", 1, 1) != 0;
    if (!r.ok()) return false;
    for (const auto& entry : sections) {
        if (!HasPrefix(entry.pItem, "local_disk.")) continue;
        SectionReader d(ini, entry.pItem, error);
        LocalDisk disk;
        disk.vendor = d.Text("vendor", "LOCAL");
        disk.product = d.Text("product", "SYSTEM DISK");
        disk.address.adapter = static_cast<uint8_t>(d.Number("adapter", 0, kAdapterLimit));
        disk.address.target = static_cast<uint8_t>(d.Number("target", 0, 255));
        disk.serial[15] = static_cast<uint8_t>(host.localDisks.size() + 1);
        d.Hex("serial", &disk.serial);
        if (!d.ok()) return false;
        host.localDisks.push_back(disk);
    }
    return true;
}

// A volume's kind: "standard" (the default), "snap-pool" (a backing store) or "master" (a master volume over
// the snap pool that "pool" names, a volume section before it in the same system).
bool ReadVolumeKind(SectionReader& r, StorageSystem& system, const std::vector<std::string>& volumeSections,
                    const std::vector<Serial16>& volumes, Partition* partition) {
    const std::string kind = r.Text("kind", "standard");
    if (kind == "snap-pool") partition->partitionClass = PartitionClass::BackingStore;
    if (kind == "master") {
        size_t pool = 0;
        if (!r.Reference("pool", volumeSections, &pool)) return false;
        const Partition* store = FindPartition(system, volumes[pool].data());
        if (store == nullptr || store->partitionClass != PartitionClass::BackingStore) {
            r.Fail("pool", "is not a snap pool of the same system");
            return false;
        }
        partition->partitionClass = PartitionClass::Master;
        partition->snapshot.master = store->serial;
    } else if (kind != "standard" && kind != "snap-pool") {
        r.Fail("kind", "is not standard, snap-pool or master");
    }
    partition->type = SpecialTypeOf(partition->partitionClass);
    return r.ok();
}

}  // namespace

bool ParseScenario(const std::string& text, FabricModel* model, std::string* error) {
    CSimpleIniA ini;
    if (ini.LoadData(text.data(), text.size()) < 0) {
        *error = "not an INI text";
        return false;
    }
    CSimpleIniA::TNamesDepend sections;
    ini.GetAllSections(sections);
    sections.sort(CSimpleIniA::Entry::LoadOrder());

    FabricModel result;
    std::vector<std::string> systemSections;
    std::vector<std::pair<size_t, size_t>> arrays;  // (system, array) per array section, in order
    std::vector<std::string> arraySections;
    std::vector<uint32_t> freeMb;  // per array section, in order
    for (const auto& entry : sections) {
        if (!HasPrefix(entry.pItem, "system.")) continue;
        StorageSystem system;
        if (!ReadSystem(ini, entry.pItem, &system, error)) return false;
        result.systems.push_back(system);
        systemSections.push_back(entry.pItem);
    }
    for (const auto& entry : sections) {
        if (!HasPrefix(entry.pItem, "array.")) continue;
        SectionReader r(ini, entry.pItem, error);
        size_t s = 0;
        if (!r.Reference("system", systemSections, &s)) return false;
        StorageSystem& system = result.systems[s];
        Array array;
        array.name = r.RequiredText("name");
        array.raidLevel = static_cast<uint8_t>(r.Number("raid", 5, 255));
        array.numDrives = r.Number("drives", 4, 68);
        array.utilityRunning = static_cast<uint8_t>(r.Number("utility", 0, 255));
        array.percentComplete = r.Number("percent", 0, 255);
        array.preferredOwner = static_cast<uint8_t>(r.Number("preferred_owner", 1, 1));
        array.currentOwner = static_cast<uint8_t>(r.Number("current_owner", array.preferredOwner, 1));
        freeMb.push_back(r.Number("free_mb", kNoFreeSize, kMaxFreeMb));
        const std::string serial =
            HexText(system.controllers[0].serial) + "A" + std::to_string(system.arrays.size());
        std::copy_n(serial.begin(), std::min<size_t>(serial.size(), 32), array.serial.begin());
        if (!r.ok()) return false;
        arrays.emplace_back(s, system.arrays.size());
        arraySections.push_back(entry.pItem);
        system.arrays.push_back(array);
    }
    std::vector<std::string> volumeSections;
    std::vector<Serial16> volumes;  // the serial of each volume section, in order
    for (const auto& entry : sections) {
        if (!HasPrefix(entry.pItem, "volume.")) continue;
        SectionReader r(ini, entry.pItem, error);
        size_t a = 0;
        if (!r.Reference("array", arraySections, &a)) return false;
        StorageSystem& system = result.systems[arrays[a].first];
        Partition partition;
        partition.name = r.RequiredText("name");
        partition.description = r.Text("description", "");
        partition.array = arrays[a].second;
        partition.blocks = static_cast<uint64_t>(r.Number("size_mb", 1024, 1u << 30)) * 2048;
        partition.lun = static_cast<uint16_t>(system.partitions.size());
        const uint32_t lun = r.Number("lun", 0, 255);
        if (lun != 0) partition.defaultMap = PartitionMap::Presenting(static_cast<uint16_t>(lun));
        partition.serial = DerivedVolumeSerial(system.controllers[0].serial, system.partitions.size() + 1);
        r.Hex("serial", &partition.serial);
        ReadHostMaps(r, &partition);
        if (!r.ok()) return false;
        if (!ReadVolumeKind(r, system, volumeSections, volumes, &partition)) return false;
        volumeSections.push_back(entry.pItem);
        volumes.push_back(partition.serial);
        system.partitions.push_back(partition);
    }
    // An array given its free space holds its volumes and that much more.
    for (size_t i = 0; i < arrays.size(); ++i) {
        if (freeMb[i] == kNoFreeSize) continue;
        StorageSystem& system = result.systems[arrays[i].first];
        system.arrays[arrays[i].second].capacityBlocks =
            UsedBlocks(system, arrays[i].second) + uint64_t{freeMb[i]} * 2048;
    }
    for (StorageSystem& system : result.systems) AssignDrives(system);
    if (!ReadHost(ini, sections, &result, error)) return false;
    *model = std::move(result);
    return true;
}

bool LoadScenarioFile(const std::string& path, FabricModel* model, std::string* error) {
    std::ifstream file(path, std::ios::binary);
    if (!file) {
        *error = "cannot open " + path;
        return false;
    }
    std::ostringstream text;
    text << file.rdbuf();
    return ParseScenario(text.str(), model, error);
}

}  // namespace sim
