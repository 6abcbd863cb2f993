// This host's iSCSI initiators as ports the arrays know: one port-list entry per initiator name that WMI
// reports (provider/host/wmi_service.h), after the entries already in the list.
#pragma once

#include <vector>

#include "platform/com/com_results.h"
#include "provider/controllers/flex_id_entry.h"

// The result of the WMI search (S_OK whenever it ran). A name too long for an entry (more than 223
// characters, which iSCSI names never are) is logged and skipped.
HRESULT AddIscsiInitiatorPorts(std::vector<FlexIDEntry>& ports);
