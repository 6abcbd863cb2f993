#include "corlink/server/client.h"

#include <cstdio>

#include "corlink/foundation/method_trace.h"
#include "corlink/server/socket.h"

namespace {

struct AddressText {
    char text[16];
};

AddressText DottedAddress(const sockaddr_in& address) {
    const auto* octets = reinterpret_cast<const uint8_t*>(&address.sin_addr.s_addr);
    AddressText out;
    std::snprintf(out.text, sizeof out.text, "%d.%d.%d.%d", octets[0], octets[1], octets[2], octets[3]);
    return out;
}

}  // namespace

CClient::CClient() { METHOD_TRACE("CCLient::CCLient"); }

CClient::~CClient() {
    METHOD_TRACE("CClient::^CClient");
    if (m_pSessionSocket != nullptr) m_pSessionSocket->SetClosing();
}

CClient* FindClientByAddress(const ListenerList& listeners, const sockaddr_in& address, uint16_t number) {
    CClient* found = nullptr;
    listeners.ForEach([&](CClient* client) {
        if (found == nullptr && client->m_PeerAddr.sin_addr.s_addr == address.sin_addr.s_addr &&
            (number == 0 || client->m_Number == number)) {
            found = client;
        }
    });
    return found;
}

CClient* FindClientBySocket(const ListenerList& listeners, const CRRESocket* socket) {
    CClient* found = nullptr;
    listeners.ForEach([&](CClient* client) {
        if (found == nullptr && client->m_pSessionSocket == socket) found = client;
    });
    return found;
}

void LogClientLine(int withLocal, const char* format, const CClient* client) {
    if (client == nullptr) return;
    const AddressText peer = DottedAddress(client->m_PeerAddr);
    if (withLocal) {
        DebugPrint(format, client->m_Number, peer.text, DottedAddress(client->m_LocalAddr).text);
    } else {
        DebugPrint(format, client->m_Number, peer.text);
    }
}
