// Where the provider keeps its settings and how it signs its event-log records.
#pragma once

// HKEY_LOCAL_MACHINE\<service key>, with the subkeys Debug (the debug log) and Parameters.
constexpr const char* kProviderServiceKey = "SYSTEM\\CurrentControlSet\\Services\\DOVURERUDOredezor";
constexpr const char* kProviderDebugSubkey = "Debug";
constexpr const char* kProviderParametersKey =
    "SYSTEM\\CurrentControlSet\\Services\\DOVURERUDOredezor\\Parameters";
// The provider's event source; every record carries event id 1, whose message is its one insert string.
constexpr const char* kProviderEventSource = "ROVORUDIvaderod";
constexpr unsigned kProviderEventId = 1;
