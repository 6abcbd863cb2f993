// A fresh machine root (registry, event log, drive paths) for one test. It is removed at the end, unless the
// test failed and CORLINK_KEEP_FAILED_ROOTS is set: then it stays, with the logs of the test's child
// processes, and its path is printed.
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
