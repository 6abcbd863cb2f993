#include "corlink/transport/inband_transport.h"

#include <cstring>

#include "corlink/capi/controller_context.h"
#include "corlink/foundation/console.h"
#include "corlink/foundation/hex_dump.h"
#include "corlink/foundation/log.h"
#include "corlink/foundation/log_switches.h"
#include "corlink/transport/discovery.h"
#include "corlink/transport/processor_device_table.h"
#include "corlink/transport/scsi_command.h"

namespace {

constexpr int kCaptureOnly = 7;
constexpr int kDumpSend = 1;
constexpr int kDumpReceive = 0;
constexpr uint32_t kReplyErrorCodeOffset = 40;  // errorCode in the CAPI packet header

// Process-wide enumeration index into the processor device table; reset by a first call.
uint32_t g_EnumerationIndex = 0;

int32_t ReadLittleEndian32(const uint8_t* bytes) {
    return static_cast<int32_t>(static_cast<uint32_t>(bytes[0]) | static_cast<uint32_t>(bytes[1]) << 8 |
                                static_cast<uint32_t>(bytes[2]) << 16 |
                                static_cast<uint32_t>(bytes[3]) << 24);
}

struct Exchange {
    LMX_IOB& iob;
    const PROCESSOR_DEVICE& device;
    const uint8_t* sasAddress;

    int Write() {
        return sendWriteBuf(device.deviceName, static_cast<uint8_t>(device.bus), device.target, device.lun,
                            sasAddress, iob.pSendBuffer, iob.sendLength);
    }
    int Read() {
        return sendReadBuf(device.deviceName, static_cast<uint8_t>(device.bus), device.target, device.lun,
                           sasAddress, iob.pReceiveBuffer, iob.maxRecLength, &iob.recLength);
    }

    // Sends the packet until the controller took it. False: the exchange is over (communication error).
    bool WritePhase() {
        uint32_t retries = 0;
        uint32_t resends = 0;
        for (;;) {
            DumpPacket(kDumpSend, iob.pSendBuffer, iob.sendLength);
            const int result = Write();
            if (result == SCSI_RESULT_GOOD) return true;
            if (result == SCSI_RESULT_PAPER_JAM || result == SCSI_RESULT_RESET) {
                // A controller that keeps asking for resends must not hold the command for ever.
                if (resends == INBAND_MAX_UNCOUNTED_RESENDS) {
                    iob.status = LMX_STATUS_COMMUNICATION_ERROR;
                    DebugPrint(
                        "SCSI32LMX_SendAndReceivePacket: sendWriteBuf still asks for a resend after %u "
                        "resends; bailing out\n",
                        resends);
                    return false;
                }
                ++resends;
                if (result == SCSI_RESULT_PAPER_JAM) {
                    DebugPrint("SCSI32LMX_SendAndReceivePacket: 'Paper Jam' sendWriteBuf needs ReadBfr\n");
                    if (Read() == SCSI_RESULT_IOCTL_FAILED) return true;  // the read phase reads again
                } else {
                    DebugPrint("SCSI32LMX_SendAndReceivePacket: 'Bus Reset' sendWriteBuf needs cmd retry\n");
                }
                continue;
            }
            iob.status = LMX_STATUS_COMMUNICATION_ERROR;
            ++retries;
            if (retries >= INBAND_MAX_ATTEMPTS) {
                DebugPrint(
                    "SCSI32LMX_SendAndReceivePacket: 'comm error' sendWriteBuf bailing out; retry cnt %u\n",
                    retries);
                return false;
            }
            DebugPrint("SCSI32LMX_SendAndReceivePacket: 'comm error' sendWriteBuf retrying; retry cnt %u\n",
                       retries);
        }
    }

    void ReadPhase() {
        uint32_t retries = 0;
        for (;;) {
            g_LastTransferLength = 0;
            std::memset(iob.pReceiveBuffer, 0, iob.maxRecLength);
            const int result = Read();
            DumpPacket(kDumpReceive, iob.pReceiveBuffer, g_LastTransferLength);
            switch (result) {
                case SCSI_RESULT_GOOD:
                    iob.status = LMX_STATUS_REPLY_RECEIVED;
                    if (iob.maxRecLength >= kReplyErrorCodeOffset + 4) {
                        iob.errorCode = ReadLittleEndian32(iob.pReceiveBuffer + kReplyErrorCodeOffset);
                    }
                    iob.needRescan = 0;
                    if (iob.callback != nullptr) iob.callback(&iob);
                    return;
                case SCSI_RESULT_PAPER_JAM:
                    DebugPrint(
                        "SCSI32LMX_SendAndReceivePacket: sendReadBuf: 'Paper Jam' already read the buffer\n");
                    iob.status = LMX_STATUS_READ_ABANDONED;
                    return;
                case SCSI_RESULT_RESET:
                    DebugPrint("SCSI32LMX_SendAndReceivePacket: sendReadBuf: 'Bus Reset' needs cmd retry\n");
                    iob.status = LMX_STATUS_READ_ABANDONED;
                    return;
                default:
                    ++retries;
                    if (retries >= INBAND_MAX_ATTEMPTS) {
                        DebugPrint(
                            "SCSI32LMX_SendAndReceivePacket: 'comm error' sendReadBuf bailing out; retry cnt "
                            "= %u\n",
                            retries);
                        return;
                    }
                    DebugPrint(
                        "SCSI32LMX_SendAndReceivePacket: 'comm error' sendReadBuf retrying; retry cnt = %u\n",
                        retries);
                    iob.status = LMX_STATUS_COMMUNICATION_ERROR;
            }
        }
    }
};

bool IsUsable(const PROCESSOR_DEVICE& device, bool testId) {
    return device.ready != 0 && (!testId || device.id != PROCESSOR_DEVICE_ID_UNKNOWN);
}

void TakeEntry(uint32_t entry, CAPI_CONTROLLER_CONTEXT* context) {
    if (context != nullptr) ProcessorDeviceOf(*context) = processorDeviceTable[entry];
}

void LogFoundController(const PROCESSOR_DEVICE& device) {
    DebugPrint("SCSI32LMX_FindNextController: found controller.\n");
    DebugPrint("adpt bus tar lun : string(28)                    DeviceName Port\n");
    DebugPrint("%4.2d%4.2d%4.2d%4.2d : %.28s  %.80s %d\n", static_cast<int>(device.adapter),
               static_cast<int>(device.bus), device.target, device.lun, device.inquiryString,
               device.deviceName, device.port);
}

// Tables of three or more: from the index on, the first ready entry of a known controller.
uint8_t FindInLargeTable(uint32_t size, uint32_t* lastTime, CAPI_CONTROLLER_CONTEXT* context) {
    uint8_t found = 0;
    while (g_EnumerationIndex < size && found == 0) {
        const uint32_t entry = g_EnumerationIndex++;
        const PROCESSOR_DEVICE& device = processorDeviceTable[entry];
        if (g_ScsiVerbose) {
            DebugPrint("FNC: dflt:              entry = %d\n", static_cast<int>(entry));
            DebugPrint("FNC: dflt: processorDeviceTable[entry].port = %d\n", device.port);
            DebugPrint("FNC: dflt: processorDeviceTable[entry].ready = %d\n", device.ready);
            DebugPrint("FNC: dflt: processorDeviceTable[entry].id = %d\n", device.id);
        }
        if (IsUsable(device, true)) {
            TakeEntry(entry, context);
            LogFoundController(device);
            found = 1;
        }
    }
    if (g_EnumerationIndex >= size) *lastTime = 1;
    return found;
}

}  // namespace

void SCSI32LMX_Initialize(LMX_ENTRY* slot, LMX_INIT_COMPLETE complete, LMX_OPS* ops) {
    DiscoverProcessorDevices();
    if (ops != nullptr) {
        *ops = LMX_OPS{};
        ops->sendAndReceive = &SCSI32LMX_SendAndReceivePacket;
        ops->poll = &SCSI32LMX_Poll;
        ops->findNextController = &SCSI32LMX_FindNextController;
    }
    if (slot != nullptr) slot->linkType = LMX_LINK_TYPE_SCSI;
    if (complete != nullptr) complete(slot, LMX_STATE_READY);
}

void SCSI32LMX_SendAndReceivePacket(LMX_IOB* iob) {
    if (iob == nullptr) return;
    iob->linkType = LMX_LINK_TYPE_SCSI;
    iob->status = LMX_STATUS_UNDER_WAY;
    iob->needRescan = 1;
    if (iob->pLmxContext == nullptr || iob->pSendBuffer == nullptr || iob->pReceiveBuffer == nullptr) {
        iob->status = LMX_STATUS_COMMUNICATION_ERROR;
        return;
    }
    const PROCESSOR_DEVICE& device = iob->pLmxContext->u.lmxScsi32Context.processorDevice;
    Exchange exchange{*iob, device, device.hasSasAddress != 0 ? device.sasAddress : nullptr};
    if (exchange.WritePhase()) exchange.ReadPhase();
}

void SCSI32LMX_Poll() {}

uint8_t SCSI32LMX_FindNextController(uint32_t first, uint32_t* lastTime, CAPI_CONTROLLER_CONTEXT* context) {
    if (lastTime == nullptr) return 0;
    if (*lastTime != 0) {
        DebugPrint("SCSI32LMX_FindNextController: ERROR: This function");
        DebugPrint(" should not be called with *lastTime = TRUE\n");
        ConsolePrint(kCaptureOnly, "SCSI32LMX_FindNextController: ERROR: This function");
        ConsolePrint(kCaptureOnly, " should not be called with *lastTime = TRUE\n");
        return 0;
    }
    const uint32_t size = processorDeviceTableSize < PROCESSOR_DEVICE_TABLE_CAPACITY
                              ? processorDeviceTableSize
                              : PROCESSOR_DEVICE_TABLE_CAPACITY;
    if (first != 0) {
        g_EnumerationIndex = 0;
        if (size == 0) {
            DebugPrint("SCSI32LMX_FindNextController: first time, table is EMPTY (return now)\n");
            ConsolePrint(kCaptureOnly,
                         "SCSI32LMX_FindNextController: first time, table is EMPTY (return now)\n");
            *lastTime = 1;
            return 0;
        }
        DebugPrint("SCSI32LMX_FindNextController: first time, table has %d entries\n",
                   static_cast<int>(size));
    }
    if (size == 0 || g_EnumerationIndex >= size) {  // asked again after the end of the table
        *lastTime = 1;
        return 0;
    }
    if (size >= 3) return FindInLargeTable(size, lastTime, context);

    const uint32_t entry = g_EnumerationIndex;
    uint8_t found = 0;
    if (IsUsable(processorDeviceTable[entry], size == 2)) {
        TakeEntry(entry, context);
        found = 1;
    }
    if (size == 1) {
        *lastTime = 1;
    } else if (++g_EnumerationIndex >= size) {
        *lastTime = 1;
    }
    return found;
}
