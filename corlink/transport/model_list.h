// The supported array models: regular expressions from the INI file "corlink.conf" in the install
// directory and its companion "corlink-local.conf", matched against the 24-character INQUIRY vendor and
// product. Loaded on the first question, answers cached per text for the rest of the run.
#pragma once

#include <cstddef>
#include <map>
#include <mutex>
#include <regex>
#include <string>

class SupportedModelList {
  public:
    // configFile: the buffer holding the main file's path, read at each load attempt.
    explicit SupportedModelList(const char* configFile) : configFile_(configFile) {}

    // text points to INQUIRY byte 8 (vendor and product); true when the model is supported.
    bool IsSupported(const char* text);
    // Loads one INI file into the pattern map; true when it had a [Models] section.
    bool GetSupportedInquiryStrings(const char* path);

    // Answers cached beyond this many texts are computed but not kept.
    static constexpr size_t kMaxCachedAnswers = 4096;

  private:
    bool LoadPatternsLocked();
    bool LoadFileLocked(const char* path);
    bool MatchLocked(const std::string& trimmed);

    const char* configFile_;
    std::mutex lock_;  // the model lock: guards everything below, loading included
    std::map<std::string, std::regex> patterns_;
    std::map<std::string, bool> answers_;
    bool debug_ = false;  // [Config] Debug; once on, stays on
};

// The process-wide list over g_ConfigFile.
bool IsSupported(const char* text);
// IsSupported as 0 or 1, for discovery.
int IsSupportedInquiry(const char* text);
bool GetSupportedInquiryStrings(const char* path);
