#include "sim/admin_channel.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <set>
#include <vector>

#include "sim/fabric.h"

namespace sim {
namespace {

constexpr size_t kMaxWords = 12;
constexpr size_t kMaxWordLength = 64;

const struct {
    const char* name;
    AdminRequest::Verb verb;
} kVerbs[] = {
    // clang-format off
    {"fault", AdminRequest::Verb::Fault},       {"disk-fault", AdminRequest::Verb::DiskFault},
    {"condition", AdminRequest::Verb::Condition}, {"reboot", AdminRequest::Verb::Reboot},
    {"present", AdminRequest::Verb::Present},   {"rescan", AdminRequest::Verb::Rescan},
    {"disks", AdminRequest::Verb::Disks},       {"journal", AdminRequest::Verb::Journal},
    {"clear-journal", AdminRequest::Verb::ClearJournal}, {"set", AdminRequest::Verb::Set},
    {"volumes", AdminRequest::Verb::Volumes},
    // clang-format on
};

// The key=value words of a message after its verb, each key once.
class Words {
  public:
    bool Read(std::string_view text, std::string* verb, std::string* error) {
        std::vector<std::string_view> words;
        size_t i = 0;
        while (i < text.size()) {
            while (i < text.size() && text[i] == ' ') ++i;
            const size_t start = i;
            while (i < text.size() && text[i] != ' ') ++i;
            if (i > start) words.push_back(text.substr(start, i - start));
        }
        if (words.empty()) return Fail("empty message", error);
        if (words.size() > kMaxWords) return Fail("too many words", error);
        *verb = std::string(words[0]);
        for (size_t w = 1; w < words.size(); ++w) {
            const size_t eq = words[w].find('=');
            if (eq == std::string_view::npos || eq == 0 || words[w].size() > kMaxWordLength) {
                return Fail("not a key=value word", error);
            }
            std::string key(words[w].substr(0, eq));
            if (!values_.emplace(key, std::string(words[w].substr(eq + 1))).second)
                return Fail("repeated key", error);
        }
        return true;
    }

    // A decimal number up to max; absent: the fallback.
    bool Number(const char* key, uint64_t max, uint64_t fallback, uint64_t* value, std::string* error) {
        auto it = values_.find(key);
        *value = fallback;
        if (it == values_.end()) return true;
        used_.insert(key);
        const std::string& text = it->second;
        if (text.empty() || text.size() > 10) return Fail(std::string(key) + " is not a number", error);
        uint64_t number = 0;
        for (char ch : text) {
            if (!std::isdigit(static_cast<unsigned char>(ch)))
                return Fail(std::string(key) + " is not a number", error);
            number = number * 10 + static_cast<uint64_t>(ch - '0');
        }
        if (number > max) return Fail(std::string(key) + " is out of range", error);
        *value = number;
        return true;
    }
    // A text out of a set of choices; absent: false with the reason.
    bool Text(const char* key, std::string* value, std::string* error) {
        auto it = values_.find(key);
        if (it == values_.end()) return Fail(std::string(key) + " is missing", error);
        used_.insert(key);
        *value = it->second;
        return true;
    }
    bool Has(const char* key) const { return values_.count(key) != 0; }
    // Every word was one the verb takes.
    bool AllUsed(std::string* error) const {
        return used_.size() == values_.size() || Fail("unknown key", error);
    }

  private:
    static bool Fail(const std::string& why, std::string* error) {
        *error = why;
        return false;
    }

    std::map<std::string, std::string> values_;
    std::set<std::string> used_;
};

bool ReadHalf(Words& words, AdminRequest* request, std::string* error) {
    uint64_t pair = 0;
    std::string half;
    if (!words.Number("pair", 255, 0, &pair, error) || !words.Text("half", &half, error)) return false;
    request->pair = pair;
    if (half != "a" && half != "b") {
        *error = "half is not a or b";
        return false;
    }
    request->half = half == "a" ? 0 : 1;
    return true;
}

bool ReadFault(Words& words, AdminRequest* request, std::string* error) {
    std::string kind;
    if (!words.Text("kind", &kind, error)) return false;
    for (char& ch : kind) {
        if (ch == '-') ch = ' ';
    }
    if (!FaultKindFromName(kind.c_str(), &request->fault.kind)) {
        *error = "unknown fault kind";
        return false;
    }
    uint64_t command = 0;
    uint64_t code = 0;
    uint64_t times = 0;
    uint64_t ms = 0;
    uint64_t after = 0;
    if (words.Has("command")) {
        std::string text;
        words.Text("command", &text, error);
        if (text != "any") {
            if (!words.Number("command", 0xFFFFFFFF, 0, &command, error)) return false;
            request->fault.commandCode = static_cast<int64_t>(command);
        }
    }
    if (!words.Number("code", 0x7FFFFFFF, 0, &code, error) ||
        !words.Number("times", 1000000, 1, &times, error) || !words.Number("ms", 86400000, 0, &ms, error) ||
        !words.Number("after", 1000000, 0, &after, error)) {
        return false;
    }
    request->fault.after = static_cast<uint32_t>(after);
    request->fault.returnCode = static_cast<int32_t>(code);
    request->fault.times = static_cast<uint32_t>(times);
    request->fault.durationMs = static_cast<uint32_t>(ms);
    return true;
}

bool ReadCondition(Words& words, AdminRequest* request, std::string* error) {
    std::string state;
    uint64_t ms = 0;
    uint64_t code = 0;
    if (!ReadHalf(words, request, error) || !words.Text("state", &state, error) ||
        !words.Number("ms", 86400000, 0, &ms, error) || !words.Number("code", 0x7FFFFFFF, 0, &code, error)) {
        return false;
    }
    if (state == "up") {
        request->state = HalfState::Up;
    } else if (state == "down") {
        request->state = HalfState::Down;
    } else if (state == "refusing") {
        request->state = HalfState::Refusing;
    } else {
        *error = "state is not up, down or refusing";
        return false;
    }
    request->durationMs = static_cast<uint32_t>(ms);
    request->code = static_cast<int32_t>(code);
    return true;
}

// The settings of a set message: the host's serial text length, a pair's full-copy duration and stall point.
bool ReadSettings(Words& words, AdminRequest* request, std::string* error) {
    uint64_t pair = 0;
    uint64_t length = 0;
    uint64_t copyMs = 0;
    uint64_t stall = 0;
    request->setsSerialTextLength = words.Has("serial-text-length");
    request->setsRolloffCopyMs = words.Has("rolloff-copy-ms");
    request->setsRolloffStallPercent = words.Has("rolloff-stall-percent");
    if (!words.Number("pair", 255, 0, &pair, error) ||
        !words.Number("serial-text-length", 1024, 0, &length, error) ||
        !words.Number("rolloff-copy-ms", 86400000, 0, &copyMs, error) ||
        !words.Number("rolloff-stall-percent", 100, 100, &stall, error)) {
        return false;
    }
    request->pair = pair;
    request->serialTextLength = static_cast<uint32_t>(length);
    request->rolloffCopyMs = static_cast<uint32_t>(copyMs);
    request->rolloffStallPercent = static_cast<uint8_t>(stall);
    return true;
}

std::string JournalText(const Journal& journal) {
    std::vector<std::string> lines;
    char line[160];
    for (const JournalEntry& e : journal.Entries()) {
        std::snprintf(line, sizeof line, "capi %u %c %s %u include=%zu fault=%s\n", e.timeMs,
                      e.half == 0 ? 'a' : 'b', e.controller.c_str(), e.commandCode, e.include.size(),
                      e.fault.empty() ? "-" : e.fault.c_str());
        lines.push_back(line);
    }
    for (const DiskJournalEntry& e : journal.DiskEntries()) {
        const std::string cdb = HexText(e.cdb.data(), e.cdb.size());
        std::snprintf(line, sizeof line, "disk %u %u %.64s timeout=%u %s fault=%s\n", e.timeMs, e.disk,
                      cdb.c_str(), e.timeoutSeconds, e.outcome.c_str(),
                      e.fault.empty() ? "-" : e.fault.c_str());
        lines.push_back(line);
    }
    // The newest entries that fit.
    std::string text;
    size_t first = lines.size();
    size_t size = 3;
    while (first > 0 && size + lines[first - 1].size() < kMaxAdminAnswer) size += lines[--first].size();
    text = "ok\n";
    for (size_t i = first; i < lines.size(); ++i) text += lines[i];
    return text;
}

std::string DisksText(const Fabric& fabric) {
    std::string text = "ok\n";
    char line[96];
    for (const HostDisk& disk : fabric.Disks()) {
        std::snprintf(line, sizeof line, "disk %u %s lun=%u serial=%s\n", disk.number,
                      disk.local ? "local" : "array", disk.address.lun, HexText(disk.serial).c_str());
        if (text.size() + std::strlen(line) >= kMaxAdminAnswer) break;
        text += line;
    }
    return text;
}

const char* KindName(PartitionClass kind) {
    switch (kind) {
        case PartitionClass::Snapshot: return "snapshot";
        case PartitionClass::Master: return "master";
        case PartitionClass::BackingStore: return "snap-pool";
        case PartitionClass::Standard: break;
    }
    return "standard";
}

// Every pair's volumes: pair, kind, serial, name, then the description (which may hold blanks) last.
std::string VolumesText(const Fabric& fabric) {
    std::string text = "ok\n";
    const FabricModel model = fabric.Model();
    char line[192];
    for (size_t s = 0; s < model.systems.size(); ++s) {
        for (const Partition& partition : model.systems[s].partitions) {
            std::snprintf(line, sizeof line, "volume %zu %s %s name=%.32s description=%.64s\n", s,
                          KindName(partition.partitionClass), HexText(partition.serial).c_str(),
                          partition.name.c_str(), partition.description.c_str());
            if (text.size() + std::strlen(line) >= kMaxAdminAnswer) return text;
            text += line;
        }
    }
    return text;
}

}  // namespace

bool ParseAdminMessage(std::string_view message, AdminRequest* request, std::string* error) {
    if (message.size() > kMaxAdminMessage) {
        *error = "message too long";
        return false;
    }
    for (char ch : message) {
        if (!std::isprint(static_cast<unsigned char>(ch))) {
            *error = "not printable text";
            return false;
        }
    }
    Words words;
    std::string verb;
    if (!words.Read(message, &verb, error)) return false;
    AdminRequest parsed;
    bool known = false;
    for (const auto& entry : kVerbs) {
        if (verb == entry.name) {
            parsed.verb = entry.verb;
            known = true;
        }
    }
    if (!known) {
        *error = "unknown verb";
        return false;
    }
    bool ok = true;
    uint64_t number = 0;
    switch (parsed.verb) {
        case AdminRequest::Verb::Fault:
            ok = ReadHalf(words, &parsed, error) && ReadFault(words, &parsed, error);
            break;
        case AdminRequest::Verb::DiskFault:
            ok = words.Number("disk", 1000000, 0, &number, error) && ReadFault(words, &parsed, error);
            parsed.disk = static_cast<uint32_t>(number);
            break;
        case AdminRequest::Verb::Condition: ok = ReadCondition(words, &parsed, error); break;
        case AdminRequest::Verb::Reboot:
            ok = ReadHalf(words, &parsed, error) && words.Number("ms", 86400000, 0, &number, error);
            parsed.durationMs = static_cast<uint32_t>(number);
            break;
        case AdminRequest::Verb::Present:
            ok = ReadHalf(words, &parsed, error) && words.Number("value", 1, 1, &number, error);
            parsed.present = number != 0;
            break;
        case AdminRequest::Verb::Set: ok = ReadSettings(words, &parsed, error); break;
        default: break;
    }
    if (!ok || !words.AllUsed(error)) return false;
    *request = parsed;
    return true;
}

std::string AnswerAdminMessage(Fabric& fabric, std::string_view message) {
    AdminRequest request;
    std::string error;
    if (!ParseAdminMessage(message, &request, &error)) return "error " + error;
    const bool halfKnown = request.pair < fabric.Model().systems.size();
    switch (request.verb) {
        case AdminRequest::Verb::Fault:
            if (!halfKnown) return "error no such pair";
            fabric.InjectFault(request.pair, request.half, request.fault);
            break;
        case AdminRequest::Verb::DiskFault:
            if (!fabric.Disk(request.disk)) return "error no such disk";
            fabric.InjectDiskFault(request.disk, request.fault);
            break;
        case AdminRequest::Verb::Condition:
            if (!halfKnown) return "error no such pair";
            fabric.SetControllerCondition(request.pair, request.half, request.state, request.durationMs,
                                          request.code);
            break;
        case AdminRequest::Verb::Reboot:
            if (!halfKnown) return "error no such pair";
            fabric.Reboot(request.pair, request.half, request.durationMs);
            break;
        case AdminRequest::Verb::Present:
            if (!halfKnown) return "error no such pair";
            fabric.SetControllerPresent(request.pair, request.half, request.present);
            break;
        case AdminRequest::Verb::Rescan: fabric.Rescan(); break;
        case AdminRequest::Verb::Disks: return DisksText(fabric);
        case AdminRequest::Verb::Journal: return JournalText(fabric.journal());
        case AdminRequest::Verb::Volumes: return VolumesText(fabric);
        case AdminRequest::Verb::ClearJournal: fabric.journal().Clear(); break;
        case AdminRequest::Verb::Set:
            if ((request.setsRolloffCopyMs || request.setsRolloffStallPercent) && !halfKnown)
                return "error no such pair";
            fabric.Edit([&](FabricModel& model) {
                if (request.setsSerialTextLength) model.host.serialTextLength = request.serialTextLength;
                if (request.pair >= model.systems.size()) return;
                SnapshotServices& services = model.systems[request.pair].snapshotServices;
                if (request.setsRolloffCopyMs) services.rolloffCopyMs = request.rolloffCopyMs;
                if (!request.setsRolloffStallPercent) return;
                services.rolloffStallPercent = request.rolloffStallPercent;
                // A higher stall point also releases the copies held below it (a test lets a copy it has seen
                // running go on); a lower one holds back only the copies started from now on.
                for (RolloffCopy& copy : services.rolloffs)
                    copy.stallPercent = std::max(copy.stallPercent, request.rolloffStallPercent);
            });
            break;
    }
    return "ok";
}

}  // namespace sim
