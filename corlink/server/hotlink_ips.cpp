// The "ips" pass: one raw CAPI packet from the client to a controller and the controller's raw reply
// back, without header, login or cookie.
#include <new>

#include "corlink/foundation/log.h"
#include "corlink/server/errmsg.h"
#include "corlink/server/hotlink.h"
#include "corlink/server/ips_pass_through.h"
#include "corlink/server/socket.h"

namespace {
constexpr size_t kPacketLengthOffset = 60;  // u32 little-endian: the whole packet, header included

uint32_t ReadLittleEndian32(const uint8_t* bytes) {
    return uint32_t{bytes[0]} | uint32_t{bytes[1]} << 8 | uint32_t{bytes[2]} << 16 | uint32_t{bytes[3]} << 24;
}
}  // namespace

CHotLink::Step CHotLink::IpsPass() {
    if (!m_Ips) {
        m_Ips.reset(new (std::nothrow) IpsBuffers);
        if (!m_Ips || m_Ips->request.data() == nullptr || m_Ips->reply.data() == nullptr) {
            m_Ips.reset();
            return Fail(COMM_ERR_ALLOCATE, "Throw 2a");
        }
    }
    // Both buffers are zero beyond what this pass writes: only what the last pass wrote is cleared.
    IpsBuffers& ips = *m_Ips;
    ips.request.ClearUsed();
    ips.reply.ClearUsed();
    ips.requestLength = 0;
    ips.replyLength = 0;
    uint8_t* request = ips.request.data();

    ips.request.NoteUsed(IPS_PACKET_HEADER_LENGTH);
    if (!m_pSocket->Receive(request, IPS_PACKET_HEADER_LENGTH)) return Fail(COMM_ERR_RECEIVE, "Throw 2b");
    const uint32_t packetLength = ReadLittleEndian32(request + kPacketLengthOffset);
    // A packet the buffers cannot hold cannot be skipped reliably either: the session ends unread.
    if (packetLength > IPS_MAX_PACKET_LENGTH) {
        DebugPrint("ips packet length %u is larger than the pass-through buffer\n", packetLength);
        return Fail(COMM_ERR_RECEIVE, "Throw 6");
    }
    ips.requestLength = packetLength + (packetLength & 1);  // an odd length is read with one more byte
    ips.request.NoteUsed(ips.requestLength);
    if (ips.requestLength > IPS_PACKET_HEADER_LENGTH &&
        !m_pSocket->Receive(request + IPS_PACKET_HEADER_LENGTH,
                            ips.requestLength - IPS_PACKET_HEADER_LENGTH)) {
        return Fail(COMM_ERR_RECEIVE, "Throw 6");
    }

    ips.replyLength = IpsPassThrough(request, ips.requestLength, ips.reply.data(), IPS_BUFFER_SIZE);
    ips.reply.NoteUsed(ips.replyLength);
    if (ips.replyLength > IPS_BUFFER_SIZE) ips.replyLength = 0;  // no reply can be longer than its buffer
    if (ips.replyLength > 0 && !m_pSocket->Send(ips.reply.data(), ips.replyLength))
        return Fail(COMM_ERR_SEND, "Throw 8");
    return Step::Next;
}
