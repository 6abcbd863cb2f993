// Serial-number texts, NAA names, the VDS LUN records the provider builds, and the LUN and snapshot records.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "platform/com/com_memory.h"
#include "platform/net/named_pipe.h"
#include "provider/controllers/lun_information.h"
#include "provider/controllers/lun_records.h"
#include "provider/controllers/serial_numbers.h"
#include "provider/controllers/task_memory.h"
#include "tests/unit/provider/provider_fixture.h"

namespace {

using RecordsTest = providertest::ProviderTest;

std::vector<BYTE> Bytes(std::initializer_list<int> values) {
    return std::vector<BYTE>(values.begin(), values.end());
}

TEST_F(RecordsTest, SerialNumberTextToBytes) {
    struct Case {
        std::string text;
        DWORD length;
        HRESULT result;
        std::vector<BYTE> bytes;  // the output's first bytes
        const char* logged;
    } cases[] = {
        // clang-format off
        {"1a2B", 4, S_OK, Bytes({0x1A, 0x2B, 0, 0}), nullptr},
        {"1A2b", 4, S_OK, Bytes({0x1A, 0x2B, 0, 0}), nullptr},
        {"F", 2, S_OK, Bytes({0x0F, 0}), nullptr},
        {"1A2", 3, S_OK, Bytes({0x01, 0xA2, 0}), nullptr},
        {std::string(32, 'e'), 16, S_OK, std::vector<BYTE>(16, 0xEE), nullptr},
        {std::string(33, 'e'), 16, E_INVALIDARG, {}, "serial string too long"},
        {"", 4, E_INVALIDARG, {}, "empty serial string"},
        {"1A2g", 4, E_INVALIDARG, Bytes({0, 0}), "all of serial number string not processed, next char='g', offset=1"},
        {"zz2B", 4, E_INVALIDARG, Bytes({0, 0x2B}), "invalid character 'z' in serial number string LS nibble at offset 0"},
        {"z12B", 4, E_INVALIDARG, Bytes({0, 0x2B}), "invalid character 'z' in serial number string MS nibble at offset 0"},
        // clang-format on
    };
    BVSS_DebugLog::StaticInit();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        std::vector<BYTE> out(c.length, 0x99);
        EXPECT_EQ(BVSS_StringToSerialNumber(c.text.c_str(), out.data(), c.length), c.result);
        for (size_t i = 0; i < c.bytes.size(); ++i) EXPECT_EQ(out[i], c.bytes[i]) << i;
        if (c.logged != nullptr) {
            EXPECT_NE(Log().find(c.logged), std::string::npos);
        }
    }
    BVSS_DebugLog::StaticDeinit();
}

TEST_F(RecordsTest, SerialNumberBytesToText) {
    const BYTE id[16] = {0x00, 0xC0, 0xFF, 0x11, 0x22, 0x33, 0x44, 0x55,
                         0x66, 0x77, 0x88, 0x99, 0xAA, 0xBB, 0xCC, 0xDD};
    char buffer[33];
    EXPECT_EQ(BVSS_SerialNumberToStringBuffer(id, buffer, 32), E_INVALIDARG);
    ASSERT_EQ(BVSS_SerialNumberToStringBuffer(id, buffer, 33), S_OK);
    EXPECT_STREQ(buffer, "00c0ff112233445566778899aabbccdd");
    char* text = buffer;
    EXPECT_EQ(BVSS_SerialNumberToString(id, &text), E_INVALIDARG);  // a pointer that holds a value
    EXPECT_EQ(text, buffer);
    text = nullptr;
    platform::SetTaskMemoryHook([](SIZE_T) { return false; });
    EXPECT_EQ(BVSS_SerialNumberToString(id, &text), E_OUTOFMEMORY);
    platform::SetTaskMemoryHook({});
    ASSERT_EQ(BVSS_SerialNumberToString(id, &text), S_OK);
    EXPECT_STREQ(text, "00c0ff112233445566778899aabbccdd");
    BVSS_FreeCoTaskMem(&text);
}

TEST_F(RecordsTest, PartitionIdToNaaName) {
    const BYTE id[16] = {0x00, 0xC0, 0xFF, 0x11, 0x22, 0x33, 0x44, 0x55,
                         0x66, 0x77, 0x88, 0x99, 0xAA, 0xBB, 0xCC, 0xDD};
    const BYTE expected[16] = {0x60, 0x0C, 0x0F, 0xF0, 0x00, 0x11, 0x22, 0x33,
                               0x66, 0x77, 0x88, 0x99, 0xAA, 0xBB, 0xCC, 0xDD};
    BYTE name[32];
    std::memset(name, 0x55, sizeof name);
    EXPECT_EQ(BVSS_PartitionIDToFCFSName(id, 16, name, 32), kProviderBadArgument);
    EXPECT_EQ(name[0], 0x55);  // untouched when refused
    EXPECT_EQ(BVSS_PartitionIDToFCFSName(id, 15, name, 16), kProviderBadArgument);
    ASSERT_EQ(BVSS_PartitionIDToFCFSName(id, 16, name, 16), S_OK);
    EXPECT_EQ(std::memcmp(name, expected, 16), 0);
    BYTE partition[16];
    EXPECT_EQ(BVSS_PartitionIDToSerialNumber(id, 15, partition), kProviderBadArgument);
    ASSERT_EQ(BVSS_PartitionIDToSerialNumber(id, 32, partition), S_OK);
    EXPECT_EQ(std::memcmp(partition, id, 16), 0);
}

// A record as Windows reports a LUN: an ASCII identifier, an earlier identifier of the provider's kind and
// another binary one.
void AddIdentifier(std::vector<VDS_STORAGE_IDENTIFIER>* ids, VDS_STORAGE_IDENTIFIER_CODE_SET set,
                   VDS_STORAGE_IDENTIFIER_TYPE type, BYTE first) {
    auto* bytes = static_cast<BYTE*>(CoTaskMemAlloc(4));
    std::memset(bytes, first, 4);
    ids->push_back(VDS_STORAGE_IDENTIFIER{set, type, 4, bytes});
}

void FillRecord(VDS_LUN_INFORMATION* record) {
    const BYTE serial[16] = {1, 2, 3};
    const GUID signature{1, 2, 3, {4}};
    BVSS_SetBasicLunInfo(record, VER_VDS_LUN_INFORMATION, 0, 0, TRUE, VDSBusTypeFibre, "VEND", "PROD", "R1",
                         serial, &signature);
    std::vector<VDS_STORAGE_IDENTIFIER> ids;
    AddIdentifier(&ids, VDSStorageIdCodeSetAscii, VDSStorageIdTypeVendorId, 'a');
    AddIdentifier(&ids, VDSStorageIdCodeSetBinary, VDSStorageIdTypeFCPHName, 0xEE);
    AddIdentifier(&ids, VDSStorageIdCodeSetBinary, VDSStorageIdTypeEUI64, 0x11);
    auto* table = static_cast<VDS_STORAGE_IDENTIFIER*>(CoTaskMemAlloc(ids.size() * sizeof ids[0]));
    std::memcpy(table, ids.data(), ids.size() * sizeof ids[0]);
    record->m_deviceIdDescriptor.m_rgIdentifiers = table;
    record->m_deviceIdDescriptor.m_cIdentifiers = static_cast<ULONG>(ids.size());
}

TEST_F(RecordsTest, UpdateReplacesTheProvidersIdentifierAndKeepsTheOthersInOrder) {
    const uint64_t liveBefore = platform::TaskMemory().liveBlocks;
    const BYTE id[16] = {0x00, 0xC0, 0xFF, 0x11, 0x22, 0x33, 0x44, 0x55,
                         0x66, 0x77, 0x88, 0x99, 0xAA, 0xBB, 0xCC, 0xDD};
    VDS_LUN_INFORMATION record;
    FillRecord(&record);
    EXPECT_STREQ(record.m_szSerialNumber, "01020300000000000000000000000000");
    for (int round = 0; round < 2; ++round) {
        ASSERT_EQ(BVSS_UpdateLunInformation(&record, id, 16, 0xFF, 0, 0), S_OK);
        const VDS_STORAGE_DEVICE_ID_DESCRIPTOR& ids = record.m_deviceIdDescriptor;
        ASSERT_EQ(ids.m_cIdentifiers, 3u);
        EXPECT_EQ(ids.m_rgIdentifiers[0].m_CodeSet, VDSStorageIdCodeSetAscii);
        EXPECT_EQ(ids.m_rgIdentifiers[1].m_Type, VDSStorageIdTypeEUI64);
        EXPECT_EQ(ids.m_rgIdentifiers[2].m_Type, VDSStorageIdTypeFCPHName);
        EXPECT_EQ(ids.m_rgIdentifiers[2].m_rgbIdentifier[0], 0x60);
        EXPECT_EQ(record.m_cInterconnects, 0u);
    }
    ASSERT_EQ(BVSS_UpdateLunInformation(&record, id, 16, 2, 5, 0x01020304), S_OK);
    ASSERT_EQ(record.m_cInterconnects, 1u);
    EXPECT_EQ(record.m_rgInterconnects[0].m_addressType, VDS_IA_FCFS);
    EXPECT_EQ(record.m_rgInterconnects[0].m_pbPort[1], 5);
    EXPECT_EQ(record.m_rgInterconnects[0].m_pbAddress[0], 0x04);
    EXPECT_EQ(BVSS_UpdateLunInformation(&record, nullptr, 16, 0xFF, 0, 0), E_POINTER);
    BVSS_DumpLunInformation(&record);
    BVSS_FreeLunInformation(&record);
    EXPECT_EQ(record.m_deviceIdDescriptor.m_rgIdentifiers, nullptr);
    EXPECT_EQ(platform::TaskMemory().liveBlocks, liveBefore);
}

TEST_F(RecordsTest, AFailedAllocationLeavesTheRecordAsItWas) {
    const uint64_t liveBefore = platform::TaskMemory().liveBlocks;
    const BYTE id[16] = {7};
    for (int failing = 1; failing <= 5; ++failing) {
        SCOPED_TRACE(failing);
        VDS_LUN_INFORMATION record;
        FillRecord(&record);
        VDS_STORAGE_IDENTIFIER* before = record.m_deviceIdDescriptor.m_rgIdentifiers;
        int calls = 0;
        platform::SetTaskMemoryHook([&](SIZE_T) { return ++calls != failing; });
        HRESULT thrown = S_OK;
        try {
            BVSS_UpdateLunInformation(&record, id, 16, 1, 1, 1);
        } catch (HRESULT hr) {
            thrown = hr;
        }
        platform::SetTaskMemoryHook({});
        ASSERT_GE(calls, failing);  // the update allocates five blocks; each one fails once here
        EXPECT_EQ(thrown, E_OUTOFMEMORY);
        EXPECT_EQ(record.m_deviceIdDescriptor.m_rgIdentifiers, before);
        EXPECT_EQ(record.m_deviceIdDescriptor.m_cIdentifiers, 3u);
        EXPECT_EQ(record.m_cInterconnects, 0u);
        BVSS_FreeLunInformation(&record);
    }
    EXPECT_EQ(platform::TaskMemory().liveBlocks, liveBefore);
}

TEST_F(RecordsTest, LunInfoIdsTextAndDevices) {
    BVSS_LunInfo info;
    EXPECT_STREQ(info.mLunIDText, "");
    const BYTE zeros[16] = {};
    info.setLunID(zeros);
    EXPECT_STREQ(info.mLunIDText, "00000000000000000000000000000000");
    const BYTE id[20] = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16, 17, 18, 19, 20};
    info.setLunID(id, 4);
    EXPECT_STREQ(info.mLunIDText, "01020304000000000000000000000000");
    info.setLunID(id, 20);
    EXPECT_STREQ(info.mLunIDText, "0102030405060708090a0b0c0d0e0f10");
    info.setLunID(nullptr);
    EXPECT_EQ(info.mLunID[0], 0);
    EXPECT_STREQ(info.mLunIDText, "0102030405060708090a0b0c0d0e0f10");

    // A device: a pipe that this test serves. Each copy opens its own handle and closes only that one.
    HANDLE server =
        CreateNamedPipeA("\\\\.\\pipe\\lun_record_device", PIPE_ACCESS_DUPLEX, 0, 2, 0, 0, 0, nullptr);
    ASSERT_NE(server, INVALID_HANDLE_VALUE);
    info.setDeviceName(L"\\\\.\\pipe\\lun_record_device");
    ASSERT_NE(info.mDeviceHandle, nullptr);
    {
        BVSS_LunInfo copy(info);
        ASSERT_NE(copy.mDeviceHandle, nullptr);
        EXPECT_NE(copy.mDeviceHandle, info.mDeviceHandle);
    }
    EXPECT_TRUE(platform::LookupHandle(info.mDeviceHandle) != nullptr);
    HANDLE open = info.mDeviceHandle;
    info.setDeviceName(nullptr);
    EXPECT_EQ(info.mDeviceHandle, nullptr);
    EXPECT_EQ(info.mDeviceName, L"\\\\.\\pipe\\lun_record_device");
    EXPECT_FALSE(CloseHandle(open));  // already closed
    CloseHandle(server);
    // A device that does not open: the name stays, no handle; a copy gets neither.
    BVSS_DebugLog::StaticInit();
    info.setDeviceName(L"\\\\.\\pipe\\no_such_device");
    EXPECT_EQ(info.mDeviceHandle, nullptr);
    EXPECT_NE(Log().find("Error opening \\\\.\\pipe\\no_such_device. Error: 2\n"), std::string::npos);
    BVSS_LunInfo copy(info);
    EXPECT_TRUE(copy.mDeviceName.empty());
    BVSS_DebugLog::StaticDeinit();
}

TEST(SnapshotInfo, FreshAndCopied) {
    BVSS_SnapshotInfo fresh;
    EXPECT_EQ(fresh.mTag, ~uint64_t{0});
    EXPECT_EQ(fresh.mCreated + fresh.mCommitted + fresh.mTagValid, 0u);
    fresh.mTag = 42;
    fresh.mCreated = 1;
    fresh.mCommitted = 1;
    std::strcpy(fresh.mSnapshotName, "VSS20261210");
    const BVSS_SnapshotInfo copy(fresh);
    EXPECT_STREQ(copy.mSnapshotName, "VSS20261210");
    EXPECT_EQ(copy.mTag, 42u);
    EXPECT_EQ(copy.mCreated, 1u);
    EXPECT_EQ(copy.mCommitted, 1u);
}

}  // namespace
