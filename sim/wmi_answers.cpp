#include "sim/wmi_answers.h"

#include <strings.h>

#include <cstdio>
#include <map>

#include "platform/time/clock.h"

namespace sim {
namespace {

constexpr uint32_t kPolicyRoundRobinWithSubset = 4;

WmiObjectRef Object(std::map<std::string, WmiValue> properties) {
    return std::make_shared<const IWbemClassObject>(std::move(properties));
}

bool StartsWithNoCase(const std::string& text, const std::string& prefix) {
    return text.size() >= prefix.size() && strncasecmp(text.c_str(), prefix.c_str(), prefix.size()) == 0;
}

std::string DeviceId(uint32_t number) { return "\\\\.\\PHYSICALDRIVE" + std::to_string(number); }

std::string PnpDeviceId(const FabricModel& model, const HostDisk& disk) {
    if (disk.local) {
        const LocalDisk& local = model.host.localDisks[disk.localIndex];
        return "SCSI\\DISK&VEN_" + local.vendor + "&PROD_" + local.product + "\\4&1C2D3E4F&0&" +
               HexText(disk.serial);
    }
    const StorageSystem& system = model.systems[disk.system];
    return "MPIO\\DISK&VEN_" + system.vendor + "&PROD_" + system.product + "&REV_" + system.revision +
           "\\1&7F6AC24&0&" + HexText(disk.serial);
}

struct Path {
    uint64_t id;
    ScsiAddress address;
    bool failed;
    bool optimized;
};

std::vector<Path> PathsOf(const FabricModel& model, const HostDisk& disk) {
    const StorageSystem& system = model.systems[disk.system];
    std::vector<Path> paths;
    for (int c = 0; c < 2; ++c) {
        const Controller& controller = system.controllers[c];
        const ScsiAddress& address = c == 0 ? disk.address : disk.secondPath;
        const bool failed =
            !OnBus(controller, platform::GetClock().NowMs()) || controller.condition.state == HalfState::Down;
        paths.push_back({MpioPathId(address.adapter), address, failed, c == 0});
    }
    return paths;
}

WmiObjectRef PolicyOf(const std::string& instance, const std::vector<Path>& paths) {
    std::vector<WmiObjectRef> list;
    for (const Path& path : paths) {
        list.push_back(Object({{"DsmPathId", path.id},
                               {"PrimaryPath", uint32_t{path.optimized ? 1u : 0u}},
                               {"PreferredPath", uint32_t{0}},
                               {"PathWeight", uint32_t{0}},
                               {"OptimizedPath", uint32_t{path.optimized ? 1u : 0u}},
                               {"FailedPath", uint32_t{path.failed ? 1u : 0u}},
                               {"TargetPortGroup_Preferred", uint32_t{0}}}));
    }
    WmiObjectRef policy = Object({{"LoadBalancePolicy", kPolicyRoundRobinWithSubset},
                                  {"DSMPathCount", static_cast<uint32_t>(paths.size())},
                                  {"DSM_Paths", list}});
    return Object({{"InstanceName", instance + "_0"}, {"Active", true}, {"LoadBalancePolicy", policy}});
}

WmiObjectRef DescriptorOf(const std::string& instance, const std::vector<Path>& paths) {
    std::vector<WmiObjectRef> pdos;
    for (const Path& path : paths) {
        WmiObjectRef scsi = Object({{"PortNumber", uint32_t{path.address.adapter}},
                                    {"ScsiPathId", uint32_t{path.address.bus}},
                                    {"TargetId", uint32_t{path.address.target}},
                                    {"Lun", uint32_t{path.address.lun}}});
        pdos.push_back(Object({{"PathIdentifier", path.id}, {"ScsiAddress", scsi}}));
    }
    return Object({{"InstanceName", instance + "_0"},
                   {"Active", true},
                   {"NumberPdos", static_cast<uint32_t>(pdos.size())},
                   {"PdoInformation", pdos}});
}

// The host's initiator classes: MSiSCSIInitiator_MethodClass (root\wmi) names the iSCSI initiator of each
// iSCSI name; MSFT_InitiatorPort (the storage namespace) lists every port, FC ports by their port name.
bool AnswerHostClass(const Host& host, const std::string& nameSpace, const std::string& className,
                     std::vector<WmiObjectRef>* results) {
    if (strcasecmp(nameSpace.c_str(), "root\\wmi") == 0 &&
        strcasecmp(className.c_str(), "MSiSCSIInitiator_MethodClass") == 0) {
        for (const std::string& name : host.iscsiNames) results->push_back(Object({{"iSCSINodeName", name}}));
        return true;
    }
    if (strcasecmp(nameSpace.c_str(), "root\\Microsoft\\Windows\\Storage") != 0) return false;
    if (strcasecmp(className.c_str(), "MSFT_InitiatorPort") == 0) {
        for (const Wwn& port : host.fcPorts) {
            results->push_back(Object({{"NodeAddress", HexText(port)},
                                       {"PortAddress", HexText(port)},
                                       {"ConnectionType", uint32_t{1}}}));
        }
        for (const std::string& name : host.iscsiNames) {
            results->push_back(Object({{"NodeAddress", name}, {"ConnectionType", uint32_t{3}}}));
        }
    }
    return true;  // no other class there has instances
}

// Reads a quoted literal at text[pos] (single or double quotes, a backslash escapes the next character).
bool ReadLiteral(const std::string& text, size_t pos, std::string* value) {
    if (pos >= text.size() || (text[pos] != '\'' && text[pos] != '"')) return false;
    const char quote = text[pos];
    value->clear();
    for (size_t i = pos + 1; i < text.size(); ++i) {
        if (text[i] == '\\' && i + 1 < text.size()) {
            *value += text[++i];
        } else if (text[i] == quote) {
            return true;
        } else {
            *value += text[i];
        }
    }
    return false;
}

}  // namespace

uint64_t MpioPathId(uint8_t adapter) { return 0x77010000ULL + adapter; }

bool ParseWql(const std::string& query, WqlQuery* parsed) {
    static const std::string kSelect = "SELECT * FROM ";
    if (!StartsWithNoCase(query, kSelect)) return false;
    const size_t nameEnd = query.find(' ', kSelect.size());
    parsed->className = query.substr(kSelect.size(), nameEnd - kSelect.size());
    parsed->key.clear();
    parsed->value.clear();
    parsed->like = false;
    if (parsed->className.empty()) return false;
    if (nameEnd == std::string::npos) return true;
    static const std::string kWhere = " WHERE ";
    if (!StartsWithNoCase(query.substr(nameEnd), kWhere)) return false;
    const size_t keyStart = nameEnd + kWhere.size();
    size_t keyEnd = keyStart;
    while (keyEnd < query.size() && query[keyEnd] != '=' && query[keyEnd] != ' ') ++keyEnd;
    parsed->key = query.substr(keyStart, keyEnd - keyStart);
    if (keyEnd < query.size() && query[keyEnd] == '=')
        return !parsed->key.empty() && ReadLiteral(query, keyEnd + 1, &parsed->value);
    static const std::string kLike = " LIKE ";
    if (!StartsWithNoCase(query.substr(keyEnd), kLike) ||
        !ReadLiteral(query, keyEnd + kLike.size(), &parsed->value)) {
        return false;
    }
    parsed->like = true;
    if (!parsed->value.empty() && parsed->value.back() == '%') parsed->value.pop_back();
    return !parsed->key.empty();
}

HRESULT FabricWmi::Query(const std::string& nameSpace, const std::string& query,
                         std::vector<WmiObjectRef>* results) {
    WqlQuery wql;
    if (!ParseWql(query, &wql)) return WBEM_E_INVALID_QUERY;
    const FabricModel model = fabric_.Model();
    if (strcasecmp(nameSpace.c_str(), "root\\Microsoft\\Windows\\Storage") == 0 && !model.host.storageWmi) {
        return WBEM_E_INVALID_NAMESPACE;
    }
    if (AnswerHostClass(model.host, nameSpace, wql.className, results)) return WBEM_S_NO_ERROR;
    const std::vector<HostDisk> disks = fabric_.Disks();
    const bool cimv2 = strcasecmp(nameSpace.c_str(), "root\\cimv2") == 0;
    auto matches = [&](const std::string& key, const std::string& value) {
        if (wql.key.empty()) return true;
        if (strcasecmp(wql.key.c_str(), key.c_str()) != 0) return false;
        return wql.like ? StartsWithNoCase(value, wql.value)
                        : strcasecmp(value.c_str(), wql.value.c_str()) == 0;
    };
    for (const HostDisk& disk : disks) {
        const std::string instance = PnpDeviceId(model, disk);
        if (cimv2 && strcasecmp(wql.className.c_str(), "Win32_DiskDrive") == 0) {
            if (matches("DeviceID", DeviceId(disk.number))) {
                results->push_back(Object({{"DeviceID", DeviceId(disk.number)},
                                           {"PNPDeviceID", instance},
                                           {"Index", disk.number}}));
            }
            continue;
        }
        if (cimv2 || disk.local || !matches("InstanceName", instance)) continue;
        if (strcasecmp(wql.className.c_str(), "DSM_QueryLBPolicy_V2") == 0) {
            results->push_back(PolicyOf(instance, PathsOf(model, disk)));
        } else if (strcasecmp(wql.className.c_str(), "MPIO_GET_DESCRIPTOR") == 0) {
            results->push_back(DescriptorOf(instance, PathsOf(model, disk)));
        }
    }
    return WBEM_S_NO_ERROR;
}

}  // namespace sim
