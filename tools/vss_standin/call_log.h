// What the snapshot service stand-in prints: one line per call it makes with the call's HRESULT (by name
// where it has one), and indented lines with the facts the calls brought (serial texts, identifiers,
// descriptions on the array). The lines are kept as well, for a caller that checks them.
#pragma once

#include <cstdio>
#include <string>
#include <vector>

#include "platform/com/com_results.h"
#include "platform/com/guid.h"

namespace standin {

class CallLog {
  public:
    // Prints to out as well when it is not null.
    explicit CallLog(std::FILE* out = nullptr) : out_(out) {}

    // "<call> = 0x<hr> <name>"; returns hr.
    HRESULT Call(const std::string& call, HRESULT hr);
    // A fact, indented under the call before it.
    void Fact(const std::string& text);
    // A heading of the scenario's next part.
    void Step(const std::string& text);
    // A failed check of the stand-in itself (a result that is not what the service expects); counted.
    void Problem(const std::string& text);

    const std::vector<std::string>& Lines() const { return lines_; }
    size_t Problems() const { return problems_; }

  private:
    void Put(const std::string& line);

    std::FILE* out_;
    std::vector<std::string> lines_;
    size_t problems_ = 0;
};

// The name of a result the provider or COM gives, or "" for another.
const char* HresultName(HRESULT hr);
// The bytes as lower-case hexadecimal digits.
std::string HexText(const unsigned char* bytes, size_t count);

}  // namespace standin
