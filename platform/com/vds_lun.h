// The description of a disk (LUN) that the virtual disk service and the snapshot service exchange with a
// hardware provider: its inquiry data, its serial number, its device identifiers and the addresses
// through which the host reaches it. Every pointer member is a block of COM task memory owned by the
// record.
#pragma once

#include "platform/com/guid.h"
#include "platform/win_types.h"

using VDS_OBJECT_ID = GUID;

enum VDS_STORAGE_BUS_TYPE : int32_t {
    VDSBusTypeUnknown = 0,
    VDSBusTypeScsi = 1,
    VDSBusTypeAtapi = 2,
    VDSBusTypeAta = 3,
    VDSBusType1394 = 4,
    VDSBusTypeSsa = 5,
    VDSBusTypeFibre = 6,
    VDSBusTypeUsb = 7,
    VDSBusTypeRAID = 8,
    VDSBusTypeiScsi = 9,
    VDSBusTypeSas = 10,
    VDSBusTypeSata = 11,
};

enum VDS_STORAGE_IDENTIFIER_CODE_SET : int32_t {
    VDSStorageIdCodeSetReserved = 0,
    VDSStorageIdCodeSetBinary = 1,
    VDSStorageIdCodeSetAscii = 2,
};

enum VDS_STORAGE_IDENTIFIER_TYPE : int32_t {
    VDSStorageIdTypeVendorSpecific = 0,
    VDSStorageIdTypeVendorId = 1,
    VDSStorageIdTypeEUI64 = 2,
    VDSStorageIdTypeFCPHName = 3,
    VDSStorageIdTypeSCSINameString = 8,
};

enum VDS_INTERCONNECT_ADDRESS_TYPE : int32_t {
    VDS_IA_UNKNOWN = 0,
    VDS_IA_FCFS = 1,
    VDS_IA_FCPH = 2,
    VDS_IA_FCPH3 = 3,
    VDS_IA_MAC = 4,
    VDS_IA_SCSI = 5,
};

struct VDS_STORAGE_IDENTIFIER {
    VDS_STORAGE_IDENTIFIER_CODE_SET m_CodeSet;
    VDS_STORAGE_IDENTIFIER_TYPE m_Type;
    ULONG m_cbIdentifier;
    BYTE* m_rgbIdentifier;
};

struct VDS_STORAGE_DEVICE_ID_DESCRIPTOR {
    ULONG m_version;
    ULONG m_cIdentifiers;
    VDS_STORAGE_IDENTIFIER* m_rgIdentifiers;
};

struct VDS_INTERCONNECT {
    VDS_INTERCONNECT_ADDRESS_TYPE m_addressType;
    ULONG m_cbPort;
    BYTE* m_pbPort;
    ULONG m_cbAddress;
    BYTE* m_pbAddress;
};

struct VDS_LUN_INFORMATION {
    ULONG m_version;
    BYTE m_DeviceType;
    BYTE m_DeviceTypeModifier;
    BOOL m_bCommandQueueing;
    VDS_STORAGE_BUS_TYPE m_BusType;
    char* m_szVendorId;
    char* m_szProductId;
    char* m_szProductRevision;
    char* m_szSerialNumber;
    GUID m_diskSignature;
    VDS_STORAGE_DEVICE_ID_DESCRIPTOR m_deviceIdDescriptor;
    ULONG m_cInterconnects;
    VDS_INTERCONNECT* m_rgInterconnects;
};

constexpr ULONG VER_VDS_LUN_INFORMATION = 1;
