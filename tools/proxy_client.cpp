// proxy_client: connects to a running corlink4, shakes hands, logs in with the user and password of a
// "corlink4.conf" file, sends SET_DISCOVERY_FLAG and GET_CONTROLLERHANDLEDB and prints what comes back.
//
//   proxy_client <corlink4.conf>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

#include "corlink/proxy_wire/controller_list_wire.h"
#include "corlink/proxy_wire/proxy_commands.h"
#include "corlink/proxy_wire/reply_head.h"
#include "tools/proxy_client_session.h"

namespace {

struct ProxySettings {
    std::string user;
    std::string password;
    unsigned port = 0;
};

std::string Trimmed(const std::string& text) {
    const size_t first = text.find_first_not_of(" \t\r\n");
    if (first == std::string::npos) return {};
    return text.substr(first, text.find_last_not_of(" \t\r\n") - first + 1);
}

// The "key:value" lines of the file; keys are compared without their padding.
bool ReadSettings(const char* path, ProxySettings* settings) {
    std::ifstream file(path);
    if (!file) return false;
    std::string line;
    while (std::getline(file, line)) {
        const size_t colon = line.find(':');
        if (colon == std::string::npos) continue;
        const std::string key = Trimmed(line.substr(0, colon));
        const std::string value = Trimmed(line.substr(colon + 1));
        if (key == "username") settings->user = value;
        if (key == "password") settings->password = value;
        if (key == "port") settings->port = static_cast<unsigned>(std::strtoul(value.c_str(), nullptr, 10));
    }
    return !settings->user.empty() && settings->port > 0 && settings->port < 65536;
}

void PrintReply(const char* name, const ProxyReply& reply) {
    const int32_t status = static_cast<int32_t>(ProxyWord(reply.data, 0));
    const uint32_t code = ProxyWord(reply.data, 4);
    std::printf("%s: reply of %u bytes, status %d, code 0x%08X%s\n", name, reply.header.DataLen, status, code,
                status == -1 && code == RRE_ERROR_UNKNOWN_COMMAND ? " (unknown command)" : "");
}

bool SendCommand(ProxyClientSession& session, const char* name, uint32_t opCode, std::vector<uint8_t> data) {
    ProxyReply reply;
    if (!session.Request(opCode, data, &reply)) {
        std::printf("%s: %s\n", name, session.Error().c_str());
        return false;
    }
    PrintReply(name, reply);
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s <corlink4.conf>\n", argv[0]);
        return 2;
    }
    ProxySettings settings;
    if (!ReadSettings(argv[1], &settings)) {
        std::fprintf(stderr, "cannot read user and port from %s\n", argv[1]);
        return 1;
    }
    ProxyClientSession session;
    if (!session.Connect(static_cast<uint16_t>(settings.port))) {
        std::printf("connect to 127.0.0.1:%u: %s\n", settings.port, session.Error().c_str());
        return 1;
    }
    std::printf("connected to 127.0.0.1:%u\n", settings.port);
    uint32_t handshakeValue = 0;
    if (!session.Handshake(&handshakeValue)) {
        std::printf("handshake: %s\n", session.Error().c_str());
        return 1;
    }
    std::printf("handshake: value 0x%08X\n", handshakeValue);
    uint32_t loginResult = 0;
    if (!session.Login(settings.user, settings.password, &loginResult)) {
        std::printf("login: %s\n", session.Error().c_str());
        return 1;
    }
    std::printf("login as %s: result %u%s\n", settings.user.c_str(), loginResult,
                loginResult == 1 ? " (logged in)" : "");
    if (loginResult != 1) return 1;

    std::vector<uint8_t> discoveryOn(RRE_DISCOVERY_FLAG_LENGTH, 0);
    discoveryOn[RRE_DISCOVERY_FLAG_OFFSET] = 1;
    bool ok = SendCommand(session, "SET_DISCOVERY_FLAG", RRE_SET_DISCOVERY_FLAG, discoveryOn);
    ok = SendCommand(session, "GET_CONTROLLERHANDLEDB", RRE_GET_CONTROLLERHANDLEDB,
                     std::vector<uint8_t>(8, 0)) &&
         ok;
    session.Close();
    std::printf("goodbye\n");
    return ok ? 0 : 1;
}
