// A fresh machine root (registry, event log, drive paths) for one test.
#pragma once

#include <cstdint>
#include <string>

#include "platform/win_types.h"

namespace testsupport {

class TestRoot {
public:
    TestRoot();
    ~TestRoot();
    TestRoot(const TestRoot&) = delete;
    TestRoot& operator=(const TestRoot&) = delete;

    const std::string& path() const { return path_; }
    // Writes a registry value under HKLM (the key is created).
    void SetDword(const std::string& key, const std::string& name, uint32_t value);
    void SetString(const std::string& key, const std::string& name, const std::string& value);
    // The whole content of a file below the root ("" when missing).
    std::string ReadFile(const std::string& relativePath) const;

private:
    std::string path_;
};

std::string ReadWholeFile(const std::string& path);
void WriteWholeFile(const std::string& path, const std::string& content);

}  // namespace testsupport
