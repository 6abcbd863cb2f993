// The four fixed name tables (status, reply, event, return code): rows of 64-byte NUL-terminated
// texts indexed by code, each table with the row count that bounds every look-up.
#pragma once

#include <cstddef>
#include <cstdint>

inline constexpr size_t CAPI_NAME_ROW_SIZE = 64;

enum class CapiNameTable { Status, Reply, Event, Error };

// The table's text for a code, or nullptr when the code is outside the table's rows. Codes are
// compared as unsigned numbers, so a negative code is never in a table.
const char* CapiNameTableText(CapiNameTable table, uint32_t code);
