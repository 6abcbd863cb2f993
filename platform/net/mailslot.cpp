#include "platform/net/mailslot.h"

#include <strings.h>

#include <cctype>
#include <cstring>
#include <map>
#include <memory>
#include <mutex>
#include <string>

#include "platform/kernel/handles.h"
#include "platform/kernel/last_error.h"
#include "platform/net/named_pipe.h"

namespace {

constexpr const char kPrefix[] = "\\\\.\\mailslot\\";

class Mailslot final : public platform::Object {
  public:
    Mailslot(DWORD maxMessageSize, DWORD readTimeout)
        : maxMessageSize_(maxMessageSize), readTimeout_(readTimeout) {}
    DWORD maxMessageSize() const { return maxMessageSize_; }
    DWORD readTimeout() const { return readTimeout_; }

  private:
    DWORD maxMessageSize_;
    DWORD readTimeout_;
};

struct MailslotNames {
    std::mutex m;
    std::map<std::string, std::weak_ptr<Mailslot>> open;
};

MailslotNames& Names() {
    static auto* names = new MailslotNames;
    return *names;
}

// The name after the prefix, in lower case (names are not case-sensitive).
bool SlotName(LPCSTR name, std::string* slot) {
    const size_t prefix = sizeof kPrefix - 1;
    if (name == nullptr || std::strlen(name) <= prefix || strncasecmp(name, kPrefix, prefix) != 0)
        return false;
    slot->clear();
    for (const char* c = name + prefix; *c != '\0'; ++c) slot->push_back(static_cast<char>(std::tolower(*c)));
    return true;
}

}  // namespace

HANDLE CreateMailslotA(LPCSTR name, DWORD maxMessageSize, DWORD readTimeout, LPSECURITY_ATTRIBUTES) {
    std::string slot;
    if (!SlotName(name, &slot)) {
        SetLastError(ERROR_INVALID_NAME);
        return INVALID_HANDLE_VALUE;
    }
    MailslotNames& names = Names();
    std::lock_guard<std::mutex> g(names.m);
    std::weak_ptr<Mailslot>& entry = names.open[slot];
    if (!entry.expired()) {
        SetLastError(ERROR_ALREADY_EXISTS);
        return INVALID_HANDLE_VALUE;
    }
    auto mailslot = std::make_shared<Mailslot>(maxMessageSize, readTimeout);
    entry = mailslot;
    SetLastError(ERROR_SUCCESS);
    return platform::NewHandle(mailslot);
}

BOOL GetMailslotInfo(HANDLE handle, DWORD* maxMessageSize, DWORD* nextSize, DWORD* messageCount,
                     DWORD* readTimeout) {
    auto mailslot = platform::LookupHandleAs<Mailslot>(handle);
    if (!mailslot) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    if (maxMessageSize != nullptr) *maxMessageSize = mailslot->maxMessageSize();
    if (nextSize != nullptr) *nextSize = MAILSLOT_NO_MESSAGE;
    if (messageCount != nullptr) *messageCount = 0;
    if (readTimeout != nullptr) *readTimeout = mailslot->readTimeout();
    return TRUE;
}
