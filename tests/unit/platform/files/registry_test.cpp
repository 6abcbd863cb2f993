#include "platform/files/registry.h"

#include <gtest/gtest.h>

#include <cstring>

#include "tests/support/test_root.h"

namespace {

constexpr const char* kKey = "SYSTEM\\CurrentControlSet\\Services\\corlink4";

class RegistryTest : public ::testing::Test {
  protected:
    testsupport::TestRoot root;
};

TEST_F(RegistryTest, ValuesRoundTripWithTheirTypes) {
    HKEY key = nullptr;
    DWORD disposition = 0;
    ASSERT_EQ(
        RegCreateKeyExA(HKEY_LOCAL_MACHINE, kKey, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, &disposition),
        ERROR_SUCCESS);
    EXPECT_EQ(disposition, REG_CREATED_NEW_KEY);
    DWORD value = 0x12345678;
    ASSERT_EQ(RegSetValueExA(key, "Options", 0, REG_DWORD, reinterpret_cast<BYTE*>(&value), sizeof value),
              ERROR_SUCCESS);
    const char text[] = "C:\\logs\\corlink.txt";
    ASSERT_EQ(RegSetValueExA(key, "FileName", 0, REG_SZ, reinterpret_cast<const BYTE*>(text), sizeof text),
              ERROR_SUCCESS);
    RegCloseKey(key);

    ASSERT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, kKey, 0, KEY_READ, &key), ERROR_SUCCESS);
    DWORD type = 0, read = 0, size = sizeof read;
    ASSERT_EQ(RegQueryValueExA(key, "Options", nullptr, &type, reinterpret_cast<BYTE*>(&read), &size),
              ERROR_SUCCESS);
    EXPECT_EQ(type, REG_DWORD);
    EXPECT_EQ(read, value);
    EXPECT_EQ(size, 4u);

    char small[4];
    size = sizeof small;
    EXPECT_EQ(RegQueryValueExA(key, "FileName", nullptr, &type, reinterpret_cast<BYTE*>(small), &size),
              ERROR_MORE_DATA);
    EXPECT_EQ(size, sizeof text);  // the size needed
    char big[64];
    size = sizeof big;
    ASSERT_EQ(RegQueryValueExA(key, "FileName", nullptr, &type, reinterpret_cast<BYTE*>(big), &size),
              ERROR_SUCCESS);
    EXPECT_EQ(type, REG_SZ);
    EXPECT_STREQ(big, text);
    EXPECT_EQ(RegQueryValueExA(key, "Missing", nullptr, &type, reinterpret_cast<BYTE*>(big), &size),
              ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(RegDeleteValueA(key, "Options"), ERROR_SUCCESS);
    EXPECT_EQ(RegQueryValueExA(key, "Options", nullptr, nullptr, nullptr, nullptr), ERROR_FILE_NOT_FOUND);
    RegCloseKey(key);
}

TEST_F(RegistryTest, KeysOpenOnlyWhenPresentAndDeleteOnlyWithoutSubkeys) {
    HKEY key = nullptr;
    EXPECT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, "SOFTWARE\\Nothing", 0, KEY_READ, &key),
              ERROR_FILE_NOT_FOUND);
    ASSERT_EQ(
        RegCreateKeyExA(HKEY_LOCAL_MACHINE, "A\\B", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr),
        ERROR_SUCCESS);
    RegCloseKey(key);
    EXPECT_EQ(RegDeleteKeyA(HKEY_LOCAL_MACHINE, "A"), ERROR_ACCESS_DENIED);
    EXPECT_EQ(RegDeleteKeyA(HKEY_LOCAL_MACHINE, "A\\B"), ERROR_SUCCESS);
    EXPECT_EQ(RegDeleteKeyA(HKEY_LOCAL_MACHINE, "A"), ERROR_SUCCESS);
    EXPECT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, "A", 0, KEY_READ, &key), ERROR_FILE_NOT_FOUND);
}

TEST_F(RegistryTest, TreesDeleteWholeAndTheClassesRootIsTheMachinesClasses) {
    HKEY key = nullptr;
    ASSERT_EQ(RegCreateKeyExA(HKEY_CLASSES_ROOT, "CLSID\\{X}\\InprocServer32", 0, nullptr, 0, KEY_ALL_ACCESS,
                              nullptr, &key, nullptr),
              ERROR_SUCCESS);
    DWORD v = 1;
    ASSERT_EQ(RegSetValueExA(key, "", 0, REG_DWORD, reinterpret_cast<BYTE*>(&v), sizeof v), ERROR_SUCCESS);
    RegCloseKey(key);
    ASSERT_EQ(RegCreateKeyExA(HKEY_CLASSES_ROOT, "CLSID\\{X}\\TypeLib", 0, nullptr, 0, KEY_ALL_ACCESS,
                              nullptr, &key, nullptr),
              ERROR_SUCCESS);
    RegCloseKey(key);
    ASSERT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, "SOFTWARE\\Classes\\CLSID\\{X}\\TypeLib", 0, KEY_READ, &key),
              ERROR_SUCCESS);
    RegCloseKey(key);

    // A null subkey empties the key and keeps it; a named one goes with everything below it.
    ASSERT_EQ(RegOpenKeyExA(HKEY_CLASSES_ROOT, "CLSID\\{X}", 0, KEY_ALL_ACCESS, &key), ERROR_SUCCESS);
    EXPECT_EQ(RegDeleteTreeA(key, nullptr), ERROR_SUCCESS);
    RegCloseKey(key);
    EXPECT_EQ(RegOpenKeyExA(HKEY_CLASSES_ROOT, "CLSID\\{X}\\TypeLib", 0, KEY_READ, &key),
              ERROR_FILE_NOT_FOUND);
    ASSERT_EQ(RegOpenKeyExA(HKEY_CLASSES_ROOT, "CLSID\\{X}", 0, KEY_READ, &key), ERROR_SUCCESS);
    RegCloseKey(key);
    EXPECT_EQ(RegDeleteTreeA(HKEY_CLASSES_ROOT, "CLSID"), ERROR_SUCCESS);
    EXPECT_EQ(RegOpenKeyExA(HKEY_CLASSES_ROOT, "CLSID", 0, KEY_READ, &key), ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(RegDeleteTreeA(HKEY_CLASSES_ROOT, "CLSID"), ERROR_FILE_NOT_FOUND);
}

TEST_F(RegistryTest, NamesCannotEscapeTheirKey) {
    HKEY key = nullptr;
    ASSERT_EQ(RegCreateKeyExA(HKEY_LOCAL_MACHINE, "K\\..\\..", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key,
                              nullptr),
              ERROR_SUCCESS);
    DWORD v = 1;
    ASSERT_EQ(RegSetValueExA(key, "../../x", 0, REG_DWORD, reinterpret_cast<BYTE*>(&v), sizeof v),
              ERROR_SUCCESS);
    RegCloseKey(key);
    // Everything stayed below the registry directory.
    EXPECT_EQ(testsupport::ReadWholeFile(root.path() + "/x"), "");
    EXPECT_EQ(testsupport::ReadWholeFile(root.path() + "/registry/x"), "");
}

}  // namespace
