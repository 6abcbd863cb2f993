// The Windows byte layouts of the storage I/O controls: SCSI pass-through, adapter inquiry listings,
// addresses and device numbers, the multipath path pass-through and the CSMI SAS blocks. Each layout is
// checked by size and member offsets, since drivers (and the fabric standing in for them) read them raw.
#pragma once

#include <cstddef>
#include <cstdint>

#include "platform/win_types.h"

constexpr BYTE SCSI_IOCTL_DATA_OUT = 0;
constexpr BYTE SCSI_IOCTL_DATA_IN = 1;
constexpr BYTE SCSI_IOCTL_DATA_UNSPECIFIED = 2;

// One SCSI command with the data in the caller's memory.
struct SCSI_PASS_THROUGH_DIRECT {
    WORD Length;  // sizeof(SCSI_PASS_THROUGH_DIRECT)
    BYTE ScsiStatus;
    BYTE PathId;
    BYTE TargetId;
    BYTE Lun;
    BYTE CdbLength;
    BYTE SenseInfoLength;  // in: room for sense bytes; out: sense bytes returned
    BYTE DataIn;           // SCSI_IOCTL_DATA_*
    DWORD DataTransferLength;
    DWORD TimeOutValue;  // seconds
    void* DataBuffer;
    DWORD SenseInfoOffset;  // from the start of this structure
    BYTE Cdb[16];
};
static_assert(sizeof(SCSI_PASS_THROUGH_DIRECT) == 56);
static_assert(offsetof(SCSI_PASS_THROUGH_DIRECT, ScsiStatus) == 2);
static_assert(offsetof(SCSI_PASS_THROUGH_DIRECT, PathId) == 3);
static_assert(offsetof(SCSI_PASS_THROUGH_DIRECT, Lun) == 5);
static_assert(offsetof(SCSI_PASS_THROUGH_DIRECT, SenseInfoLength) == 7);
static_assert(offsetof(SCSI_PASS_THROUGH_DIRECT, DataIn) == 8);
static_assert(offsetof(SCSI_PASS_THROUGH_DIRECT, DataTransferLength) == 12);
static_assert(offsetof(SCSI_PASS_THROUGH_DIRECT, TimeOutValue) == 16);
static_assert(offsetof(SCSI_PASS_THROUGH_DIRECT, DataBuffer) == 24);
static_assert(offsetof(SCSI_PASS_THROUGH_DIRECT, SenseInfoOffset) == 32);
static_assert(offsetof(SCSI_PASS_THROUGH_DIRECT, Cdb) == 36);

// Where a device sits: adapter (port), bus (path id), target, LUN.
struct SCSI_ADDRESS {
    DWORD Length;  // sizeof(SCSI_ADDRESS)
    BYTE PortNumber;
    BYTE PathId;
    BYTE TargetId;
    BYTE Lun;
};
static_assert(sizeof(SCSI_ADDRESS) == 8);
static_assert(offsetof(SCSI_ADDRESS, PortNumber) == 4);
static_assert(offsetof(SCSI_ADDRESS, Lun) == 7);

constexpr DWORD FILE_DEVICE_DISK = 7;

struct STORAGE_DEVICE_NUMBER {
    DWORD DeviceType;    // FILE_DEVICE_*
    DWORD DeviceNumber;  // N of "\\.\PhysicalDrive%d"
    DWORD PartitionNumber;
};
static_assert(sizeof(STORAGE_DEVICE_NUMBER) == 12);

// The inquiry listing of IOCTL_SCSI_GET_INQUIRY_DATA: SCSI_ADAPTER_BUS_INFO, then the chained
// SCSI_INQUIRY_DATA records that each bus's InquiryDataOffset starts (offsets from the buffer start, 0 ends).
struct SCSI_BUS_DATA {
    BYTE NumberOfLogicalUnits;
    BYTE InitiatorBusId;
    DWORD InquiryDataOffset;
};
static_assert(sizeof(SCSI_BUS_DATA) == 8);
static_assert(offsetof(SCSI_BUS_DATA, InquiryDataOffset) == 4);

struct SCSI_ADAPTER_BUS_INFO {
    BYTE NumberOfBuses;
    SCSI_BUS_DATA BusData[1];  // NumberOfBuses entries
};
static_assert(offsetof(SCSI_ADAPTER_BUS_INFO, BusData) == 4);

struct SCSI_INQUIRY_DATA {
    BYTE PathId;
    BYTE TargetId;
    BYTE Lun;
    BYTE DeviceClaimed;  // a class driver owns the LUN
    DWORD InquiryDataLength;
    DWORD NextInquiryDataOffset;
    BYTE InquiryData[1];  // InquiryDataLength bytes
};
static_assert(offsetof(SCSI_INQUIRY_DATA, DeviceClaimed) == 3);
static_assert(offsetof(SCSI_INQUIRY_DATA, InquiryDataLength) == 4);
static_assert(offsetof(SCSI_INQUIRY_DATA, NextInquiryDataOffset) == 8);
static_assert(offsetof(SCSI_INQUIRY_DATA, InquiryData) == 12);

// A pass-through sent down one multipath path of a pseudo-disk.
constexpr BYTE MPIO_IOCTL_FLAG_USE_PATHID = 1;
constexpr BYTE MPIO_IOCTL_FLAG_USE_SCSIADDRESS = 2;
constexpr BYTE MPIO_IOCTL_FLAG_INVOLVE_DSM = 4;

struct MPIO_PASS_THROUGH_PATH_DIRECT {
    SCSI_PASS_THROUGH_DIRECT PassThrough;
    DWORD Version;
    WORD Length;  // sizeof(MPIO_PASS_THROUGH_PATH_DIRECT)
    BYTE Flags;   // MPIO_IOCTL_FLAG_*
    BYTE PortNumber;
    ULONGLONG MpioPathId;
};
static_assert(sizeof(MPIO_PASS_THROUGH_PATH_DIRECT) == 72);
static_assert(offsetof(MPIO_PASS_THROUGH_PATH_DIRECT, Version) == 56);
static_assert(offsetof(MPIO_PASS_THROUGH_PATH_DIRECT, Length) == 60);
static_assert(offsetof(MPIO_PASS_THROUGH_PATH_DIRECT, Flags) == 62);
static_assert(offsetof(MPIO_PASS_THROUGH_PATH_DIRECT, PortNumber) == 63);
static_assert(offsetof(MPIO_PASS_THROUGH_PATH_DIRECT, MpioPathId) == 64);

// CSMI SAS blocks, carried by IOCTL_SCSI_MINIPORT on an adapter.
constexpr DWORD CC_CSMI_SAS_GET_PHY_INFO = 20;
constexpr DWORD CC_CSMI_SAS_SSP_PASSTHRU = 24;
constexpr DWORD CSMI_SAS_TIMEOUT = 60;
constexpr char CSMI_SAS_SIGNATURE[8] = "CSMISAS";
constexpr DWORD CSMI_SAS_SSP_READ = 1;
constexpr DWORD CSMI_SAS_SSP_WRITE = 2;
constexpr BYTE CSMI_SAS_SSP_STATUS_FAILED = 3;  // the bSSPStatus of a failed transfer

struct SRB_IO_CONTROL {
    DWORD HeaderLength;  // 28
    BYTE Signature[8];
    DWORD Timeout;
    DWORD ControlCode;
    DWORD ReturnCode;
    DWORD Length;  // bytes after the header
};
static_assert(sizeof(SRB_IO_CONTROL) == 28);
static_assert(offsetof(SRB_IO_CONTROL, Timeout) == 12);
static_assert(offsetof(SRB_IO_CONTROL, Length) == 24);

struct CSMI_SAS_SSP_PASSTHRU {
    BYTE bPhyIdentifier;
    BYTE bPortIdentifier;
    BYTE bConnectionRate;
    BYTE bReserved;
    BYTE bDestinationSASAddress[8];
    BYTE bLun[8];
    BYTE bCDBLength;
    BYTE bAdditionalCDBLength;
    BYTE bReserved2[2];
    BYTE bCDB[16];
    DWORD uFlags;  // CSMI_SAS_SSP_READ or CSMI_SAS_SSP_WRITE
    BYTE bAdditionalCDB[24];
    DWORD uDataLength;
};
static_assert(sizeof(CSMI_SAS_SSP_PASSTHRU) == 72);
static_assert(offsetof(CSMI_SAS_SSP_PASSTHRU, bDestinationSASAddress) == 4);
static_assert(offsetof(CSMI_SAS_SSP_PASSTHRU, bLun) == 12);
static_assert(offsetof(CSMI_SAS_SSP_PASSTHRU, bCDBLength) == 20);
static_assert(offsetof(CSMI_SAS_SSP_PASSTHRU, bCDB) == 24);
static_assert(offsetof(CSMI_SAS_SSP_PASSTHRU, uFlags) == 40);
static_assert(offsetof(CSMI_SAS_SSP_PASSTHRU, uDataLength) == 68);

struct CSMI_SAS_SSP_PASSTHRU_STATUS {
    BYTE bConnectionStatus;
    BYTE bSSPStatus;
    BYTE bReserved[2];
    BYTE bStatus;  // SCSI status
    BYTE bDataPresent;
    BYTE bResponseLength[2];
    BYTE bResponse[256];
    DWORD uDataBytes;
};
static_assert(sizeof(CSMI_SAS_SSP_PASSTHRU_STATUS) == 268);
static_assert(offsetof(CSMI_SAS_SSP_PASSTHRU_STATUS, bResponse) == 8);
static_assert(offsetof(CSMI_SAS_SSP_PASSTHRU_STATUS, uDataBytes) == 264);

// The SSP pass-through buffer; the data area (parameters' uDataLength bytes) follows bDataBuffer's start.
struct CSMI_SAS_SSP_PASSTHRU_BUFFER {
    SRB_IO_CONTROL IoctlHeader;
    CSMI_SAS_SSP_PASSTHRU Parameters;
    CSMI_SAS_SSP_PASSTHRU_STATUS Status;
    BYTE bDataBuffer[1];
};
static_assert(offsetof(CSMI_SAS_SSP_PASSTHRU_BUFFER, Parameters) == 28);
static_assert(offsetof(CSMI_SAS_SSP_PASSTHRU_BUFFER, Status) == 100);
static_assert(offsetof(CSMI_SAS_SSP_PASSTHRU_BUFFER, bDataBuffer) == 368);

struct CSMI_SAS_IDENTIFY {
    BYTE bDeviceType;
    BYTE bRestricted;
    BYTE bInitiatorPortProtocol;
    BYTE bTargetPortProtocol;
    BYTE bRestricted2[4];
    BYTE bSASAddress[8];
    BYTE bPhyIdentifier;
    BYTE bSignalClass;
    BYTE bReserved[6];
};
static_assert(sizeof(CSMI_SAS_IDENTIFY) == 24);
static_assert(offsetof(CSMI_SAS_IDENTIFY, bSASAddress) == 8);
static_assert(offsetof(CSMI_SAS_IDENTIFY, bPhyIdentifier) == 16);

struct CSMI_SAS_PHY_ENTITY {
    CSMI_SAS_IDENTIFY Identify;
    BYTE bPortIdentifier;
    BYTE bNegotiatedLinkRate;
    BYTE bMinimumLinkRate;
    BYTE bMaximumLinkRate;
    BYTE bPhyChangeCount;
    BYTE bAutoDiscover;
    BYTE bPhyFeatures;
    BYTE bReserved;
    CSMI_SAS_IDENTIFY Attached;
    BYTE bReserved2[8];
};
static_assert(sizeof(CSMI_SAS_PHY_ENTITY) == 64);
static_assert(offsetof(CSMI_SAS_PHY_ENTITY, bPortIdentifier) == 24);
static_assert(offsetof(CSMI_SAS_PHY_ENTITY, Attached) == 32);

constexpr size_t CSMI_SAS_MAX_PHYS = 32;

struct CSMI_SAS_PHY_INFO {
    BYTE bNumberOfPhys;
    BYTE bReserved[3];
    CSMI_SAS_PHY_ENTITY Phy[CSMI_SAS_MAX_PHYS];
};
static_assert(sizeof(CSMI_SAS_PHY_INFO) == 2052);
static_assert(offsetof(CSMI_SAS_PHY_INFO, Phy) == 4);

struct CSMI_SAS_PHY_INFO_BUFFER {
    SRB_IO_CONTROL IoctlHeader;
    CSMI_SAS_PHY_INFO Information;
};
static_assert(sizeof(CSMI_SAS_PHY_INFO_BUFFER) == 2080);
static_assert(offsetof(CSMI_SAS_PHY_INFO_BUFFER, Information) == 28);
