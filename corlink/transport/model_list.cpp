#include "corlink/transport/model_list.h"

// The texts are UTF-8 already (ReadTextFileUtf8) and are kept as bytes: no character conversion.
#define SI_NO_CONVERSION
#define SI_IMPLEMENTATION  // the packaged header keeps its template bodies behind this switch
#include <SimpleIni.h>

#include <cstring>

#include "corlink/foundation/log.h"
#include "corlink/foundation/service_params.h"
#include "corlink/foundation/utilities.h"

namespace {

constexpr size_t kInquiryModelLength = 24;  // vendor (8) and product (16)

// The first 24 characters (fewer before a NUL) without trailing blanks; a text of blanks only stays.
std::string TrimmedModelText(const char* text) {
    std::string model(text, strnlen(text, kInquiryModelLength));
    const size_t last = model.find_last_not_of(' ');
    if (last != std::string::npos) model.resize(last + 1);
    return model;
}

// "x.conf" -> "x-local.conf", anything else -> "<name>.local".
std::string CompanionFileName(const std::string& mainFile) {
    static const std::string kConf = ".conf";
    if (mainFile.size() >= kConf.size() &&
        mainFile.compare(mainFile.size() - kConf.size(), kConf.size(), kConf) == 0) {
        return FormatString("%s-local.conf", mainFile.substr(0, mainFile.size() - kConf.size()).c_str());
    }
    return FormatString("%s.local", mainFile.c_str());
}

std::string WithoutTrailingBlanks(const char* value) {
    std::string text(value);
    const size_t last = text.find_last_not_of(" \t");
    text.resize(last == std::string::npos ? 0 : last + 1);
    return text;
}

}  // namespace

bool SupportedModelList::IsSupported(const char* text) {
    const std::string trimmed = TrimmedModelText(text);
    std::lock_guard<std::mutex> hold(lock_);
    if (patterns_.empty() && !LoadPatternsLocked()) return false;

    if (debug_) {
        const std::string asPassed(text, strnlen(text, kInquiryModelLength));
        DebugPrint("IsSupported: matching %s (%s)\n", trimmed.c_str(), asPassed.c_str());
    }
    auto cached = answers_.find(trimmed);
    if (cached != answers_.end()) {
        if (debug_)
            DebugPrint(" found '%s' in cache (%s)\n", trimmed.c_str(), cached->second ? "true" : "false");
        return cached->second;
    }
    if (debug_) DebugPrint(" cache miss for '%s'\n", trimmed.c_str());
    const bool supported = MatchLocked(trimmed);
    if (debug_) DebugPrint("caching '%s' = %d\n", trimmed.c_str(), supported ? 1 : 0);
    if (answers_.size() < kMaxCachedAnswers) answers_.emplace(trimmed, supported);
    return supported;
}

bool SupportedModelList::GetSupportedInquiryStrings(const char* path) {
    std::lock_guard<std::mutex> hold(lock_);
    return LoadFileLocked(path);
}

bool SupportedModelList::LoadPatternsLocked() {
    if (debug_) DebugPrint("g_ConfigFile = %s\n", configFile_);
    if (!LoadFileLocked(configFile_)) {
        DebugPrint("CMainApp::CMainApp: Failed to load config file %s\n", configFile_);
        return false;
    }
    if (LoadFileLocked(CompanionFileName(configFile_).c_str())) {
        DebugPrint("CMainApp::CMainApp: loaded extra config data\n");
    }
    DebugPrint("Loaded %d inquiry string regexp(s)\n", static_cast<int>(patterns_.size()));
    return true;
}

bool SupportedModelList::LoadFileLocked(const char* path) {
    DebugPrint("GetSupportedInquiryStrings: reading %s\n", path);
    const std::string text = ReadTextFileUtf8(path);
    CSimpleIniA ini(false, false, false);
    const SI_Error loaded = ini.LoadData(text.data(), text.size());
    if (loaded < 0) {
        DebugPrint("LoadData failed with error %d", static_cast<int>(loaded));
        return false;
    }
    if (!debug_) debug_ = ini.GetBoolValue("Config", "Debug", false);

    const CSimpleIniA::TKeyVal* models = ini.GetSection("Models");
    if (models == nullptr) {
        DebugPrint("Could not find [Models] section in config file (%d)\n", static_cast<int>(loaded));
        return false;
    }
    for (const auto& entry : *models) {
        std::string pattern = WithoutTrailingBlanks(entry.second);
        try {
            patterns_.insert_or_assign(pattern,
                                       std::regex(pattern, std::regex::ECMAScript | std::regex::icase));
        } catch (const std::regex_error& error) {
            // A pattern that does not compile supports nothing; the others still count.
            DebugPrint("    not a regular expression, ignored: '%s' (%s)\n", pattern.c_str(), error.what());
            continue;
        }
        DebugPrint("    supported: '%s'\n", pattern.c_str());
    }
    return true;
}

bool SupportedModelList::MatchLocked(const std::string& trimmed) {
    bool supported = false;
    for (const auto& [text, pattern] : patterns_) {
        if (debug_) DebugPrint("  Trying %s...", text.c_str());
        bool matched = false;
        try {
            matched = std::regex_match(trimmed, pattern);
        } catch (const std::regex_error&) {
            matched = false;  // a pattern too complex for the matcher matches nothing
        }
        if (debug_) DebugPrint(matched ? "MATCH\n" : "nope!\n");
        supported = supported || matched;
    }
    return supported;
}

namespace {
SupportedModelList g_SupportedModels(g_ConfigFile);
}  // namespace

bool IsSupported(const char* text) { return g_SupportedModels.IsSupported(text); }

int IsSupportedInquiry(const char* text) { return IsSupported(text) ? 1 : 0; }

bool GetSupportedInquiryStrings(const char* path) {
    return g_SupportedModels.GetSupportedInquiryStrings(path);
}
