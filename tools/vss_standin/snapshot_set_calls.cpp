#include "tools/vss_standin/snapshot_set_calls.h"

#include <algorithm>
#include <cstdio>

#include "platform/com/com_classes.h"
#include "tools/vss_standin/host_disks.h"

namespace standin {

namespace {

constexpr DWORD kWaitForever = 0xFFFFFFFF;

const char* const kStepNames[] = {"BeginPrepareSnapshot",    "EndPrepareSnapshots",     "PreCommitSnapshots",
                                  "CommitSnapshots",         "PostCommitSnapshots",     "import",
                                  "PreFinalCommitSnapshots", "PostFinalCommitSnapshots"};

// The sequence methods of IVssProviderCreateSnapshotSet, by step.
using SequenceMethod = HRESULT (IVssProviderCreateSnapshotSet::*)(VSS_ID);
struct SequenceCall {
    SetStep step;
    SequenceMethod method;
};
constexpr SequenceCall kSequence[] = {
    // clang-format off
    {SetStep::EndPrepare, &IVssProviderCreateSnapshotSet::EndPrepareSnapshots},
    {SetStep::PreCommit, &IVssProviderCreateSnapshotSet::PreCommitSnapshots},
    {SetStep::Commit, &IVssProviderCreateSnapshotSet::CommitSnapshots},
    {SetStep::PostCommit, &IVssProviderCreateSnapshotSet::PostCommitSnapshots},
    {SetStep::PreFinalCommit, &IVssProviderCreateSnapshotSet::PreFinalCommitSnapshots},
    {SetStep::PostFinalCommit, &IVssProviderCreateSnapshotSet::PostFinalCommitSnapshots},
    // clang-format on
};

std::string Narrow(const std::wstring& text) { return std::string(text.begin(), text.end()); }

std::string Hex(LONG value) {
    char text[16];
    std::snprintf(text, sizeof text, "0x%X", static_cast<unsigned>(value));
    return text;
}

// The device names of disks, and the pointers the provider's methods take.
struct DeviceNames {
    explicit DeviceNames(const std::vector<int>& disks) {
        for (int disk : disks) names.push_back(DiskDeviceName(disk));
        for (std::wstring& name : names) pointers.push_back(name.data());
    }
    std::vector<std::wstring> names;
    std::vector<VSS_PWSZ> pointers;
};

std::string DiskList(const std::vector<int>& disks) {
    std::string text;
    for (int disk : disks) text += (text.empty() ? "" : ", ") + std::to_string(disk);
    return text.empty() ? "none" : text;
}

}  // namespace

const char* SetStepName(SetStep step) { return kStepNames[static_cast<int>(step)]; }

HRESULT ServiceStandIn::CreateSet(SnapshotSet& set, SetStep last) {
    if (FAILED(CoCreateGuid(&set.id))) return log_.Call("CoCreateGuid()", E_FAIL);
    log_.Step("snapshot set " + platform::GuidText(set.id) + ", context " + Hex(set.context) + ", disks " +
              DiskList(set.sourceDisks));
    const HRESULT hr = Prepare(set);
    if (FAILED(hr)) {
        AbortSet(set);  // as the service does with a set that failed
        return hr;
    }
    return ContinueSet(set, SetStep::BeginPrepare, last);
}

HRESULT ServiceStandIn::ContinueSet(SnapshotSet& set, SetStep after, SetStep last) {
    HRESULT hr = S_OK;
    for (const SequenceCall& call : kSequence) {
        if (call.step == SetStep::PreFinalCommit && after < SetStep::Import && last >= SetStep::Import) {
            hr = Import(set);
            if (FAILED(hr)) break;
        }
        if (call.step > last) break;
        if (call.step <= after) continue;
        hr = Sequence(set, call.step);
        if (FAILED(hr)) break;
    }
    if (FAILED(hr)) AbortSet(set);
    return hr;
}

HRESULT ServiceStandIn::AbortSet(const SnapshotSet& set) {
    return log_.Call("AbortSnapshots(" + platform::GuidText(set.id) + ")",
                     provider_.Sequence()->AbortSnapshots(set.id));
}

HRESULT ServiceStandIn::Prepare(SnapshotSet& set) {
    set.sources.Clear();
    DeviceNames devices(set.sourceDisks);
    for (int disk : set.sourceDisks) {
        VDS_LUN_INFORMATION lun{};
        const HRESULT hr = DescribeDisk(disk, &lun);
        if (FAILED(hr)) return log_.Call("describe disk " + std::to_string(disk), hr);
        log_.Fact("disk " + std::to_string(disk) + ": " + Facts(lun));
        set.sources.Append(lun);
    }
    for (size_t i = 0; i < set.sources.size(); ++i) {
        BOOL supported = FALSE;
        const HRESULT hr = log_.Call("AreLunsSupported(" + Narrow(devices.names[i]) + ")",
                                     provider_.Hardware()->AreLunsSupported(
                                         1, set.context, &devices.pointers[i], &set.sources[i], &supported));
        if (FAILED(hr)) return hr;
        log_.Fact(supported ? "supported" : "not supported");
        if (!supported) return VSS_E_VOLUME_NOT_SUPPORTED;
    }
    for (size_t i = 0; i < set.sources.size(); ++i) {
        VSS_ID snapshotId{};
        if (FAILED(CoCreateGuid(&snapshotId))) return log_.Call("CoCreateGuid()", E_FAIL);
        const HRESULT hr = log_.Call(
            "BeginPrepareSnapshot(" + platform::GuidText(set.id) + ", " + platform::GuidText(snapshotId) +
                ", " + Hex(set.context) + ", " + Narrow(devices.names[i]) + ")",
            provider_.Hardware()->BeginPrepareSnapshot(set.id, snapshotId, set.context, 1,
                                                       &devices.pointers[i], &set.sources[i]));
        if (FAILED(hr)) return hr;
    }
    return S_OK;
}

HRESULT ServiceStandIn::Sequence(SnapshotSet& set, SetStep step) {
    for (const SequenceCall& call : kSequence) {
        if (call.step != step) continue;
        return log_.Call(std::string(SetStepName(step)) + "(" + platform::GuidText(set.id) + ")",
                         (provider_.Sequence()->*call.method)(set.id));
    }
    return E_INVALIDARG;
}

HRESULT ServiceStandIn::Import(SnapshotSet& set) {
    const LONG count = static_cast<LONG>(set.sources.size());
    DeviceNames devices(set.sourceDisks);
    set.targets = LunArray(set.sources.size());
    HRESULT hr = log_.Call("GetTargetLuns(" + std::to_string(count) + ")",
                           provider_.Hardware()->GetTargetLuns(count, devices.pointers.data(),
                                                               set.sources.data(), set.targets.data()));
    for (size_t i = 0; i < set.targets.size(); ++i)
        log_.Fact("target " + std::to_string(i) + ": " + Facts(set.targets[i]));
    if (FAILED(hr)) return hr;

    const std::vector<int> before = ListHostDisks();
    set.located = LunArray(set.targets.size());
    for (size_t i = 0; i < set.targets.size(); ++i) {
        if (!CopyLun(set.targets[i], &set.located[i]))
            return log_.Call("copy of target " + std::to_string(i), E_OUTOFMEMORY);
    }
    hr = log_.Call("LocateLuns(" + std::to_string(count) + ")",
                   provider_.Hardware()->LocateLuns(count, set.located.data()));
    for (size_t i = 0; i < set.located.size(); ++i)
        log_.Fact("located " + std::to_string(i) + ": " + Facts(set.located[i]));
    if (FAILED(hr)) return hr;
    return FindSnapshotDisks(set, before);
}

HRESULT ServiceStandIn::FindSnapshotDisks(SnapshotSet& set, const std::vector<int>& before) {
    const std::vector<int> after = ListHostDisks();
    std::vector<int> added;
    std::set_difference(after.begin(), after.end(), before.begin(), before.end(), std::back_inserter(added));
    log_.Step("rescan: new disks " + DiskList(added));
    set.snapshotDisks.assign(set.targets.size(), -1);
    set.snapshotLuns = LunArray(set.targets.size());
    for (int disk : added) {
        VDS_LUN_INFORMATION lun{};
        HRESULT hr = DescribeDisk(disk, &lun);
        if (FAILED(hr)) return log_.Call("describe disk " + std::to_string(disk), hr);
        std::wstring device = DiskDeviceName(disk);
        BOOL supported = FALSE;
        hr = log_.Call("FillInLunInfo(" + Narrow(device) + ")",
                       provider_.Hardware()->FillInLunInfo(device.data(), &lun, &supported));
        log_.Fact(std::string(supported ? "supported, " : "not supported, ") + Facts(lun));
        size_t match = set.targets.size();
        for (size_t i = 0; i < set.targets.size(); ++i) {
            if (set.snapshotDisks[i] < 0 && SerialOf(lun) == SerialOf(set.targets[i]) &&
                NaaOf(lun) == NaaOf(set.targets[i]))
                match = i;
        }
        if (FAILED(hr) || !supported || match == set.targets.size()) {
            FreeLun(&lun);
            if (FAILED(hr)) return hr;
            continue;
        }
        log_.Fact("disk " + std::to_string(disk) + " is the snapshot LUN of target " + std::to_string(match));
        set.snapshotDisks[match] = disk;
        set.snapshotLuns[match] = lun;  // the slot was empty
    }
    for (size_t i = 0; i < set.targets.size(); ++i) {
        if (set.snapshotDisks[i] >= 0) continue;
        log_.Problem("no new disk matches target " + std::to_string(i) + " (" + Facts(set.targets[i]) + ")");
        return VSS_E_OBJECT_NOT_FOUND;
    }
    return S_OK;
}

HRESULT ServiceStandIn::MaskSnapshotLuns(SnapshotSet& set) {
    const std::vector<int> before = ListHostDisks();
    const HRESULT hr =
        log_.Call("OnLunStateChange(" + std::to_string(set.snapshotLuns.size()) +
                      ", VSS_ONLUNSTATECHANGE_DO_MASK_LUNS)",
                  provider_.Hardware()->OnLunStateChange(set.snapshotLuns.data(), set.sources.data(),
                                                         static_cast<DWORD>(set.snapshotLuns.size()),
                                                         VSS_ONLUNSTATECHANGE_DO_MASK_LUNS));
    if (FAILED(hr)) return hr;
    const std::vector<int> after = ListHostDisks();
    std::vector<int> gone;
    std::set_difference(before.begin(), before.end(), after.begin(), after.end(), std::back_inserter(gone));
    log_.Step("rescan: disks gone " + DiskList(gone));
    for (int disk : set.snapshotDisks) {
        if (std::find(after.begin(), after.end(), disk) != after.end())
            log_.Problem("snapshot disk " + std::to_string(disk) + " is still seen after masking");
    }
    return hr;
}

HRESULT ServiceStandIn::DeleteSnapshotLuns(SnapshotSet& set) {
    HRESULT result = S_OK;
    for (size_t i = 0; i < set.snapshotLuns.size(); ++i) {
        std::wstring device = DiskDeviceName(set.snapshotDisks[i]);
        const HRESULT hr =
            log_.Call("OnLunEmpty(" + Narrow(device) + ", " + SerialOf(set.snapshotLuns[i]) + ")",
                      provider_.Hardware()->OnLunEmpty(device.data(), &set.snapshotLuns[i]));
        if (FAILED(hr) && SUCCEEDED(result)) result = hr;
    }
    return result;
}

HRESULT ServiceStandIn::Resync(LunArray& snapshots, LunArray& volumes, ResyncOutcome* outcome) {
    IVssAsync* async = nullptr;
    const DWORD count = static_cast<DWORD>(std::min(snapshots.size(), volumes.size()));
    std::string pairs;
    for (DWORD i = 0; i < count; ++i) pairs += ", " + SerialOf(snapshots[i]) + " -> " + SerialOf(volumes[i]);
    HRESULT hr = log_.Call("ResyncLuns(" + std::to_string(count) + pairs + ")",
                           provider_.Hardware()->ResyncLuns(snapshots.data(), volumes.data(), count, &async));
    if (FAILED(hr)) {
        if (async != nullptr) log_.Problem("a failed ResyncLuns handed out a job");
        return hr;
    }
    if (async == nullptr) {
        log_.Problem("ResyncLuns succeeded without a job");
        return E_POINTER;
    }
    ResyncOutcome reported;
    log_.Call("IVssAsync::Wait(INFINITE)", async->Wait(kWaitForever));
    hr = log_.Call("IVssAsync::QueryStatus()", async->QueryStatus(&reported.status, &reported.progress));
    char facts[64];
    std::snprintf(facts, sizeof facts, "status=0x%08X progress=%d", static_cast<unsigned>(reported.status),
                  reported.progress);
    log_.Fact(facts);
    async->Release();
    if (outcome != nullptr) *outcome = reported;
    return hr;
}

}  // namespace standin
