#include "platform/files/machine_root.h"

#include <sys/stat.h>

#include <cctype>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <mutex>

namespace platform {
namespace {

std::mutex g_rootLock;
std::string* g_root = nullptr;

constexpr char kSystemDirectory[] = "C:\\Windows\\System32";
constexpr char kSystemDirectoryUnderRoot[] = "/C/Windows/System32";

}  // namespace

const std::string& MachineRoot() {
    std::lock_guard<std::mutex> g(g_rootLock);
    if (g_root == nullptr) {
        const char* env = std::getenv("CORLINK_ROOT");
        std::string root = (env != nullptr && *env != '\0') ? env : "/var/lib/corlink";
        while (root.size() > 1 && root.back() == '/') root.pop_back();
        g_root = new std::string(root);
    }
    return *g_root;
}

void SetMachineRoot(const std::string& root) {
    std::lock_guard<std::mutex> g(g_rootLock);
    std::string r = root;
    while (r.size() > 1 && r.back() == '/') r.pop_back();
    if (g_root == nullptr) {
        g_root = new std::string(r);
    } else {
        *g_root = r;
    }
}

std::string SystemDirectoryPath() { return MachineRoot() + kSystemDirectoryUnderRoot; }

std::string MapPath(const std::string& windowsPath) {
    if (!windowsPath.empty() && windowsPath[0] == '/') return windowsPath;
    std::string rest = windowsPath;
    std::string prefix;
    if (rest.size() >= 2 && std::isalpha(static_cast<unsigned char>(rest[0])) && rest[1] == ':') {
        prefix = MachineRoot() + "/" + static_cast<char>(std::toupper(static_cast<unsigned char>(rest[0])));
        rest = rest.substr(2);
        if (!rest.empty() && rest[0] != '\\' && rest[0] != '/') rest = "/" + rest;
    } else if (!rest.empty() && rest[0] == '\\') {
        prefix = MachineRoot() + "/C";
    } else {
        prefix = SystemDirectoryPath() + "/";
    }
    for (char& c : rest) {
        if (c == '\\') c = '/';
    }
    return prefix + rest;
}

bool MakeDirectories(const std::string& path) {
    if (path.empty()) return false;
    std::string partial;
    size_t pos = 0;
    while (pos != std::string::npos) {
        pos = path.find('/', pos + 1);
        partial = path.substr(0, pos);
        if (partial.empty()) continue;
        if (::mkdir(partial.c_str(), 0755) != 0 && errno != EEXIST) return false;
    }
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

}  // namespace platform

UINT GetSystemDirectoryA(LPSTR buffer, UINT size) {
    using platform::kSystemDirectory;
    const UINT length = sizeof(kSystemDirectory) - 1;
    if (buffer == nullptr || size <= length) return length + 1;
    std::memcpy(buffer, kSystemDirectory, length + 1);
    return length;
}
