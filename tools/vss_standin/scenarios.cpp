#include "tools/vss_standin/scenarios.h"

#include <cstdio>

#include "platform/com/com_classes.h"
#include "platform/com/vss_interfaces.h"
#include "tools/vss_standin/array_view.h"
#include "tools/vss_standin/coordinator.h"
#include "tools/vss_standin/host_disks.h"
#include "tools/vss_standin/registry_text.h"
#include "tools/vss_standin/snapshot_set_calls.h"

namespace standin {

namespace {

// The in-process server entry of the provider class, "" when there is none.
std::string InprocServer() {
    return RegistryText(HKEY_CLASSES_ROOT,
                        "CLSID\\" + platform::GuidText(kProviderClass) + "\\InprocServer32", "");
}

bool ProviderCreated(ProviderLibrary& provider) {
    return provider.Hardware() != nullptr || SUCCEEDED(provider.CreateProvider());
}

// Checks a call's result against what the service expects; a difference is printed.
bool Expect(CallLog& log, HRESULT got, HRESULT expected, const char* what) {
    if (got == expected) return true;
    char text[160];
    std::snprintf(text, sizeof text, "%s gave 0x%08X, expected 0x%08X", what, static_cast<unsigned>(got),
                  static_cast<unsigned>(expected));
    log.Problem(text);
    return false;
}

// The serial texts of the set's snapshot LUNs, as GetTargetLuns gave them.
std::vector<std::string> TargetSerials(const SnapshotSet& set) {
    std::vector<std::string> serials;
    for (size_t i = 0; i < set.targets.size(); ++i) serials.push_back(SerialOf(set.targets[i]));
    return serials;
}

SnapshotSet NewSet(const ScenarioOptions& options) {
    SnapshotSet set;
    set.context = options.fullCopy ? VSS_VOLSNAP_ATTR_PLEX : VSS_VOLSNAP_ATTR_DIFFERENTIAL;
    set.sourceDisks = options.disks.empty() ? ListHostDisks() : options.disks;
    return set;
}

bool Register(ProviderLibrary& provider, const ScenarioOptions&, CallLog& log) {
    log.Step("registration");
    CoordinatorClass coordinator(log);
    if (!coordinator.Registered()) {
        log.Problem("the coordinator's class object could not be registered");
        return false;
    }
    bool ok = Expect(log, provider.RegisterServer(), S_OK, "DllRegisterServer");
    log.Fact("InprocServer32 = " + InprocServer());
    RegisteredProvider known;
    if (FindRegisteredProvider(kProviderId, &known)) {
        log.Fact("coordinator: " + known.name + " version " + known.version + ", type " +
                 std::to_string(known.type) + ", class " + known.classId + ", version ID " + known.versionId);
    } else {
        ok = false;
        log.Problem("the coordinator does not know the provider");
    }
    return ok;
}

bool Unregister(ProviderLibrary& provider, const ScenarioOptions&, CallLog& log) {
    log.Step("unregistration");
    CoordinatorClass coordinator(log);
    bool ok = Expect(log, provider.UnregisterServer(), S_OK, "DllUnregisterServer");
    if (!InprocServer().empty() || FindRegisteredProvider(kProviderId, nullptr)) {
        ok = false;
        log.Problem("the provider is still registered");
    } else {
        log.Fact("neither COM nor the coordinator knows the provider any more");
    }
    return ok;
}

bool ShadowCopy(ProviderLibrary& provider, const ScenarioOptions& options, CallLog& log) {
    log.Step("shadow copy");
    if (!ProviderCreated(provider)) return false;
    ServiceStandIn service(provider, log);
    SnapshotSet set = NewSet(options);
    if (!Expect(log, service.CreateSet(set), S_OK, "the snapshot set")) return false;
    log.Step("the set's snapshots on the arrays");
    bool ok = true;
    if (ArraysVisible() && PrintArrayVolumes(log, TargetSerials(set)) != set.targets.size()) {
        log.Problem("the set's snapshots are not all on the arrays");
        ok = false;
    }
    log.Step("masking");
    ok = Expect(log, service.MaskSnapshotLuns(set), S_OK, "OnLunStateChange") && ok;
    log.Step("deletion");
    ok = Expect(log, service.DeleteSnapshotLuns(set), S_OK, "OnLunEmpty") && ok;
    if (PrintArrayVolumes(log, TargetSerials(set)) != 0) {
        log.Problem("the set's snapshots are left on the arrays");
        ok = false;
    }
    return ok;
}

bool AbortEachState(ProviderLibrary& provider, const ScenarioOptions& options, CallLog& log) {
    if (!ProviderCreated(provider)) return false;
    ServiceStandIn service(provider, log);
    bool ok = true;
    for (SetStep step : {SetStep::BeginPrepare, SetStep::EndPrepare, SetStep::PreCommit, SetStep::Commit,
                         SetStep::PostCommit, SetStep::Import}) {
        log.Step(std::string("abort after ") + SetStepName(step));
        SnapshotSet set = NewSet(options);
        ok = Expect(log, service.CreateSet(set, step), S_OK, SetStepName(step)) && ok;
        ok = Expect(log, service.AbortSet(set), S_OK, "AbortSnapshots") && ok;
        if (PrintArraySnapshots(log) != 0) {
            log.Problem("snapshots are left on the arrays after the abort");
            ok = false;
        }
    }
    return ok;
}

bool Resync(ProviderLibrary& provider, const ScenarioOptions& options, CallLog& log) {
    log.Step("resync: a shadow copy to roll the volumes back from");
    if (!ProviderCreated(provider)) return false;
    ServiceStandIn service(provider, log);
    SnapshotSet set = NewSet(options);
    if (!Expect(log, service.CreateSet(set), S_OK, "the snapshot set")) return false;
    log.Step("resynchronisation");
    ResyncOutcome outcome;
    bool ok = Expect(log, service.Resync(set.snapshotLuns, set.sources, &outcome), S_OK, "ResyncLuns");
    ok = Expect(log, outcome.status, S_OK, "the job's status") && ok;
    if (outcome.progress != 100) {
        log.Problem("the job's progress is not 100");
        ok = false;
    }
    log.Step("masking and deletion");
    ok = Expect(log, service.MaskSnapshotLuns(set), S_OK, "OnLunStateChange") && ok;
    return Expect(log, service.DeleteSnapshotLuns(set), S_OK, "OnLunEmpty") && ok;
}

bool Unload(ProviderLibrary& provider, const ScenarioOptions&, CallLog& log) {
    log.Step("unload");
    if (!ProviderCreated(provider)) return false;
    return Expect(log, provider.Unload(), S_OK, "DllCanUnloadNow");
}

const struct {
    const char* name;
    Scenario scenario;
} kScenarios[] = {
    // clang-format off
    {"register", Register}, {"unregister", Unregister}, {"shadow-copy", ShadowCopy},
    {"abort", AbortEachState}, {"resync", Resync},       {"unload", Unload},
    // clang-format on
};

}  // namespace

Scenario FindScenario(const std::string& name) {
    for (const auto& entry : kScenarios)
        if (name == entry.name) return entry.scenario;
    return nullptr;
}

std::string ScenarioNames() {
    std::string names;
    for (const auto& entry : kScenarios) names += (names.empty() ? "" : ", ") + std::string(entry.name);
    return names;
}

}  // namespace standin
