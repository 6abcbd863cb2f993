#include "tools/vss_standin/call_log.h"

#include "platform/com/com_classes.h"

namespace standin {

namespace {

struct NamedResult {
    HRESULT hr;
    const char* name;
};

constexpr NamedResult kNames[] = {
    // clang-format off
    {S_OK, "S_OK"},
    {S_FALSE, "S_FALSE"},
    {E_NOTIMPL, "E_NOTIMPL"},
    {E_NOINTERFACE, "E_NOINTERFACE"},
    {E_POINTER, "E_POINTER"},
    {E_FAIL, "E_FAIL"},
    {E_UNEXPECTED, "E_UNEXPECTED"},
    {E_OUTOFMEMORY, "E_OUTOFMEMORY"},
    {E_INVALIDARG, "E_INVALIDARG"},
    {CLASS_E_NOAGGREGATION, "CLASS_E_NOAGGREGATION"},
    {CLASS_E_CLASSNOTAVAILABLE, "CLASS_E_CLASSNOTAVAILABLE"},
    {REGDB_E_CLASSNOTREG, "REGDB_E_CLASSNOTREG"},
    {VSS_E_PROVIDER_ALREADY_REGISTERED, "VSS_E_PROVIDER_ALREADY_REGISTERED"},
    {VSS_E_PROVIDER_NOT_REGISTERED, "VSS_E_PROVIDER_NOT_REGISTERED"},
    {VSS_E_PROVIDER_VETO, "VSS_E_PROVIDER_VETO"},
    {VSS_E_OBJECT_NOT_FOUND, "VSS_E_OBJECT_NOT_FOUND"},
    {VSS_E_VOLUME_NOT_SUPPORTED, "VSS_E_VOLUME_NOT_SUPPORTED"},
    {VSS_E_MAXIMUM_NUMBER_OF_SNAPSHOTS_REACHED, "VSS_E_MAXIMUM_NUMBER_OF_SNAPSHOTS_REACHED"},
    {VSS_E_UNSUPPORTED_CONTEXT, "VSS_E_UNSUPPORTED_CONTEXT"},
    {VSS_E_INSUFFICIENT_STORAGE, "VSS_E_INSUFFICIENT_STORAGE"},
    // clang-format on
};

}  // namespace

HRESULT CallLog::Call(const std::string& call, HRESULT hr) {
    char code[48];
    std::snprintf(code, sizeof code, " = 0x%08X", static_cast<unsigned>(hr));
    const std::string name = HresultName(hr);
    Put(call + code + (name.empty() ? "" : " " + name));
    return hr;
}

void CallLog::Fact(const std::string& text) { Put("    " + text); }

void CallLog::Step(const std::string& text) { Put("== " + text); }

void CallLog::Problem(const std::string& text) {
    ++problems_;
    Put("!! " + text);
}

void CallLog::Put(const std::string& line) {
    lines_.push_back(line);
    if (out_ == nullptr) return;
    std::fprintf(out_, "%s\n", line.c_str());
    std::fflush(out_);
}

const char* HresultName(HRESULT hr) {
    for (const NamedResult& entry : kNames)
        if (entry.hr == hr) return entry.name;
    return "";
}

std::string HexText(const unsigned char* bytes, size_t count) {
    static constexpr char kDigits[] = "0123456789abcdef";
    std::string text;
    for (size_t i = 0; i < count; ++i) {
        text += kDigits[bytes[i] >> 4];
        text += kDigits[bytes[i] & 0x0F];
    }
    return text;
}

}  // namespace standin
