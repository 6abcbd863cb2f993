#include "corlink/diagnostics/dumps.h"

#include <algorithm>
#include <cstring>

#include "corlink/capi_wire/capi_protocol.h"
#include "corlink/controller_entry/raid_controller.h"
#include "corlink/diagnostics/dump_printer.h"
#include "corlink/diagnostics/dump_structures.h"
#include "corlink/foundation/service_params.h"

namespace {

constexpr uint32_t kMostDumpedDrives = 128;

void DumpLmxContext() {
    DumpPrinter printer;
    printer.Line("LMX_CONTEXT");
    printer.Line("keepLmxContextConstantSize ");
}

void DumpLmxIob(const LMX_IOB& iob) {
    DumpPrinter printer;
    printer.Line("LMX_IOB");
    printer.Unsigned("sendLength ", iob.sendLength);
    printer.Unsigned("recLength ", iob.recLength);
    printer.Unsigned("maxRecLength ", iob.maxRecLength);
    printer.Signed("status ", static_cast<int32_t>(iob.status));
    printer.Unsigned("readyForProcessing ", iob.readyForProcessing);
    printer.Unsigned("linkType ", iob.linkType);
    printer.Signed("LinkInUse ", static_cast<int32_t>(iob.LinkInUse));
    printer.Signed("LinkInUseCount ", static_cast<int32_t>(iob.LinkInUseCount));
    printer.Signed("capiCmdActive ", static_cast<int32_t>(iob.capiCmdActive));
}

void DumpCapiControllerContext(const CAPI_CONTROLLER_CONTEXT& context) {
    DumpPrinter printer;
    printer.Line("CAPI_CONTROLLER_CONTEXT");
    DumpLmxContext();
    DumpLmxIob(context.lmxIob);
    printer.Unsigned("linkBusy ", context.linkBusy);
    printer.Unsigned("configSequenceNumber ", context.configSequenceNumber);
    printer.Unsigned("linkType ", context.linkType);
    printer.Unsigned("driveListConfigSequenceNumber ", context.driveListConfigSequenceNumber);
    printer.Unsigned("arrayListConfigSequenceNumber ", context.arrayListConfigSequenceNumber);
}

void DumpDriveEnclosures(const RAID_CONTROLLER& entry) {
    DumpPrinter printer;
    printer.Line("CAPI_DRIVE_ENCLOSURES_STRUCT");
    const uint32_t count = std::min<uint32_t>(entry.enclosureCount, RAID_CONTROLLER_MAX_ENCLOSURES);
    for (uint32_t e = 0; e < count; ++e) DumpStructure(entry.enclosures[e]);
}

// The text at the start of one of the entry's packet buffers.
void BufferText(const DumpPrinter& printer, const char* label, const uint8_t* buffer) {
    if (buffer == nullptr) return printer.Line(label);
    printer.Text(label, buffer, CAPI_RECEIVE_GENERAL_BUFFER_SIZE);
}

}  // namespace

// The controller dump starts in column 0 whatever the level was, and leaves the level at -2.
int DumpRaidController(const RAID_CONTROLLER* controller) {
    if (controller == nullptr || !IsDumpEnabled()) return 0;
    const RAID_CONTROLLER& entry = *controller;
    DumpPrinter printer;
    DumpPrinter::Level() = 0;
    printer.Line("RAID_CONTROLLER");
    printer.Signed("updateStatus: ", entry.updateStatus);
    printer.Signed("everUpdated: ", entry.everUpdated);
    printer.Unsigned("controllerHandle: ", entry.controllerHandle);
    DumpStructure(entry.controller);
    DumpStructure(entry.networkInterface);
    DumpStructure(entry.unifiedController);
    printer.Unsigned("enclosureCount: ", entry.enclosureCount);
    if (entry.enclosureCount >= 1) DumpDriveEnclosures(entry);
    printer.Signed("basicChange: ", static_cast<int32_t>(entry.basicChange));
    printer.Signed("channelChange: ", static_cast<int32_t>(entry.channelChange));
    printer.Signed("networkChange: ", static_cast<int32_t>(entry.networkChange));
    printer.Unsigned("debugLogOffset: ", entry.debugLogOffset);
    printer.Signed("shutdown: ", static_cast<int32_t>(entry.shutdown));
    DumpCapiControllerContext(entry.controllerContext);
    printer.Unsigned("lastLoggedSequenceNumber: ", entry.lastLoggedSequenceNumber);
    printer.Unsigned("lastReceivedSequenceNumber: ", entry.lastReceivedSequenceNumber);
    BufferText(printer, "pCapiBuffer: ", entry.pCapiBuffer);
    BufferText(printer, "pEventBuffer: ", entry.pEventBuffer);
    printer.Signed("driveListEverUpdated: ", static_cast<int32_t>(entry.driveListEverUpdated));
    printer.Signed("arrayListEverUpdated: ", static_cast<int32_t>(entry.arrayListEverUpdated));
    printer.Unsigned("driveListSequenceNumber: ", entry.driveListSequenceNumber);
    printer.Unsigned("arrayListSequenceNumber: ", entry.arrayListSequenceNumber);
    const uint32_t drives =
        std::min({entry.controller.raid.numDrives, kMostDumpedDrives, RAID_CONTROLLER_MAX_DRIVES});
    for (uint32_t d = 0; d < drives; ++d) DumpStructure(entry.drives[d]);
    const uint32_t arrays = std::min<uint32_t>(entry.controller.raid.numArrays, RAID_CONTROLLER_MAX_ARRAYS);
    for (uint32_t a = 0; a < arrays; ++a) DumpStructure(entry.arrays[a]);
    DumpStructure(entry.hostViews);
    DumpStructure(entry.partitionView);
    return 1;
}

int DumpCapiAdvancedDriveEnclosure(const CAPI_ADVANCED_DRIVE_ENCLOSURE* enclosure) {
    if (enclosure == nullptr || !IsDumpEnabled()) return 0;
    DumpStructure(*enclosure);
    return 1;
}
