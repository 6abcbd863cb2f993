#include "tests/support/test_root.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "platform/files/machine_root.h"
#include "platform/files/registry.h"

namespace testsupport {

TestRoot::TestRoot() {
    std::string pattern = (std::filesystem::temp_directory_path() / "corlink-root-XXXXXX").string();
    char* made = ::mkdtemp(pattern.data());
    if (made == nullptr) ADD_FAILURE() << "mkdtemp failed";
    path_ = pattern;
    platform::SetMachineRoot(path_);
}

TestRoot::~TestRoot() {
    if (::testing::Test::HasFailure() && std::getenv("CORLINK_KEEP_FAILED_ROOTS") != nullptr) {
        std::fprintf(stderr, "kept the failed test's machine root: %s\n", path_.c_str());
        return;
    }
    std::error_code ec;
    std::filesystem::remove_all(path_, ec);
}

void TestRoot::SetDword(const std::string& key, const std::string& name, uint32_t value) {
    HKEY k = nullptr;
    ASSERT_EQ(
        RegCreateKeyExA(HKEY_LOCAL_MACHINE, key.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &k, nullptr),
        ERROR_SUCCESS);
    ASSERT_EQ(
        RegSetValueExA(k, name.c_str(), 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value), sizeof value),
        ERROR_SUCCESS);
    RegCloseKey(k);
}

void TestRoot::SetString(const std::string& key, const std::string& name, const std::string& value) {
    HKEY k = nullptr;
    ASSERT_EQ(
        RegCreateKeyExA(HKEY_LOCAL_MACHINE, key.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &k, nullptr),
        ERROR_SUCCESS);
    ASSERT_EQ(RegSetValueExA(k, name.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                             static_cast<DWORD>(value.size() + 1)),
              ERROR_SUCCESS);
    RegCloseKey(k);
}

std::string TestRoot::ReadFile(const std::string& relativePath) const {
    return ReadWholeFile(path_ + "/" + relativePath);
}

std::string ReadWholeFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream out;
    out << in.rdbuf();
    return out.str();
}

void WriteWholeFile(const std::string& path, const std::string& content) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << content;
}

}  // namespace testsupport
