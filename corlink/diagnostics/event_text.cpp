#include "corlink/diagnostics/event_text.h"

#include <cstdio>
#include <cstring>

#include "corlink/diagnostics/event_record.h"
#include "corlink/diagnostics/event_rows.h"
#include "corlink/diagnostics/text_format.h"
#include "corlink/foundation/console_text.h"

namespace {

template <typename Row>
const Row* FindRow(std::span<const Row> rows, uint32_t code) {
    for (const Row& row : rows) {
        if (row.code == code) return &row;
    }
    return nullptr;
}

}  // namespace

std::string ComposeEventText(const CAPI_EVENT_RECORD& record, const RAID_CONTROLLER* controller) {
    const EventRecord view(record);
    const EventContext event{view, controller};
    const uint32_t code = view.Code();
    if (code == 0) return "Empty (non-event)";
    for (auto rows : {ConditionalEventRows(), ComposedEventRows()}) {
        if (const ConditionalEventRow* row = FindRow(rows, code)) return row->text(event);
    }
    if (const EventRow* row = FindRow(RegularEventRows(), code)) return FormatEventRow(*row, event);
    return TextFormat("Unknown event(%ld).", {code});
}

std::string FitEventText(const std::string& text, uint32_t code) {
    if (text.size() >= EVENT_TEXT_REFUSED_LENGTH) {
        ConsoleWritef("QQQ:ERROR  actualString Length too BIG = %d Stack CORRUPTION!!!\n",
                      static_cast<int>(text.size()));
        ConsoleWritef("QQQ:ERROR  event code %d\n", static_cast<int>(code));
        ConsoleWritef("QQQ:ERROR  start of string is %80.80s\n", text.c_str());
        return "";
    }
    return text.substr(0, EVENT_TEXT_MAX_LENGTH);
}

std::string FormatEventText(const CAPI_EVENT_RECORD& record, const RAID_CONTROLLER* controller) {
    return FitEventText(ComposeEventText(record, controller), EventRecord(record).Code());
}
