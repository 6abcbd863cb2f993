#include "fuzz_root.h"

#include <cstdlib>
#include <filesystem>

namespace {

std::string g_Root;

void RemoveRoot() {
    std::error_code ignored;
    std::filesystem::remove_all(g_Root, ignored);
}

}  // namespace

const std::string& UseTemporaryMachineRoot(const char* targetName) {
    if (!g_Root.empty()) return g_Root;
    std::string pattern = std::filesystem::temp_directory_path() / (std::string(targetName) + ".XXXXXX");
    if (::mkdtemp(pattern.data()) == nullptr) std::abort();
    g_Root = pattern;
    ::setenv("CORLINK_ROOT", g_Root.c_str(), 1);
    std::atexit(&RemoveRoot);
    return g_Root;
}
