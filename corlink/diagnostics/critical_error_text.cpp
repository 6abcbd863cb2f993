// The text of a critical error reported by the controller firmware: the processor exception (or the
// debugger entry), the four parameters and the thread that was running.
#include <string>

#include "corlink/diagnostics/event_decoders.h"
#include "corlink/diagnostics/event_record.h"
#include "corlink/diagnostics/text_format.h"

namespace {

constexpr uint32_t kUnknownError = 0xFFFFFFFF;
constexpr uint32_t kEnterDebugger = 0xFFFFFFFE;
constexpr uint32_t kDebugException = 1;
constexpr uint8_t kDebugRegisterCount = 4;

// The processor's exception vectors 0 to 19.
constexpr const char* kFaultNames[] = {
    "Divide By 0",
    "Debug Except.",
    "NMI",
    "Int 3",
    "Int on Overflow",
    "Array Bounds Chk",
    "Invalid Opcode",
    "No Coprocessor",
    "Double Fault",
    "Vector 9 - Rsvd",
    "Invalid TSS",
    "No Segment",
    "Stack Fault",
    "Gen Prot Fault",
    "Page Fault",
    "Vector 15 - Rsvd",
    "Floating Pt Err",
    "Alignment Check",
    "Machine Check",
    "SIMD FP Except",
};
constexpr uint32_t kFaultCount = sizeof(kFaultNames) / sizeof(kFaultNames[0]);

std::string Parameters(const EventRecord& record) {
    return TextFormat("p1: %07X  p2:%07X p3: %07X  p4:%07X ",
                      {record.P(1), record.P(2), record.P(3), record.P(4)});
}

}  // namespace

std::string FormatCriticalErrorText(const EventRecord& record) {
    const uint32_t fault = record.LoopId();  // the fault index of this event
    const std::string thread = record.Text(EventRecord::kText);
    const uint32_t debugRegister = record.Byte(EventRecord::kName);
    std::string faultText, parameters, threadText;
    if (fault == kUnknownError) {
        faultText = TextFormat("%-16.16s", {"Unknown Error"});
    } else if (fault == kEnterDebugger) {
        faultText = TextFormat("%-16.16s", {"OSMEnterDebugger"});
        parameters = Parameters(record);
        threadText = TextFormat("CThr:%11.11s, DbgRegNum=%u", {thread, debugRegister});
    } else {
        if (fault == kDebugException && debugRegister < kDebugRegisterCount) {
            faultText = TextFormat("Fault Type: %s, Dbg Reg Num = %u", {kFaultNames[fault], debugRegister});
        } else if (fault < kFaultCount) {
            faultText = TextFormat("Fault Type: %s", {kFaultNames[fault]});
        } else {
            faultText = TextFormat("Unknown Intr: %2d", {fault & 0xFF});
        }
        parameters = Parameters(record);
        threadText = thread.empty() ? TextFormat("%-16.16s", {"No Curr Thread"})
                                    : TextFormat("CThr:%11.11s", {thread});
    }
    return TextFormat("Critical Error: %s  %s  %s", {faultText, parameters, threadText});
}
