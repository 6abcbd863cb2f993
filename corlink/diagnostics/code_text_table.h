// A table of codes and their texts, searched by code.
#pragma once

#include <cstdint>
#include <span>

struct CodeText {
    uint32_t code;
    const char* text;
};

// The text of `code` in `table`, or null when the table does not list it.
inline const char* FindCodeText(std::span<const CodeText> table, uint32_t code) {
    for (const CodeText& row : table) {
        if (row.code == code) return row.text;
    }
    return nullptr;
}

inline const char* CodeTextOr(std::span<const CodeText> table, uint32_t code, const char* fallback) {
    const char* text = FindCodeText(table, code);
    return text != nullptr ? text : fallback;
}
