// COM objects by hand: interface tables, reference counts, aggregation, class factories and the process's
// class table.
#include "platform/com/com_object.h"

#include <gtest/gtest.h>

#include <new>
#include <stdexcept>
#include <string>

#include "platform/com/com_classes.h"

namespace {

constexpr IID IID_IFirst = {0x11111111, 0x1111, 0x1111, {1, 1, 1, 1, 1, 1, 1, 1}};
constexpr IID IID_ISecond = {0x22222222, 0x2222, 0x2222, {2, 2, 2, 2, 2, 2, 2, 2}};
constexpr IID IID_IMissing = {0x33333333, 0x3333, 0x3333, {3, 3, 3, 3, 3, 3, 3, 3}};
constexpr CLSID CLSID_Probe = {0x44444444, 0x4444, 0x4444, {4, 4, 4, 4, 4, 4, 4, 4}};

struct IFirst : IUnknown {
    virtual int First() = 0;
};
struct ISecond : IUnknown {
    virtual int Second() = 0;
};

int g_living = 0;

class Probe : public IFirst, public ISecond {
  public:
    static const ComInterfaceEntry kInterfaces[];
    Probe() { ++g_living; }
    ~Probe() { --g_living; }
    int First() override { return 1; }
    int Second() override { return 2; }
};
// IUnknown answers as the object's own; IFirst is also asked for under a second identifier.
const ComInterfaceEntry Probe::kInterfaces[] = {
    ComEntry<Probe, IFirst>(IID_IFirst), ComEntry<Probe, ISecond>(IID_ISecond), {}};

TEST(ComObjectTest, InterfacesAnswerFromTheTableAndTheLastReleaseDeletes) {
    ComModule module;
    IFirst* first = nullptr;
    ASSERT_EQ(ComCreateInstance<Probe>(&module, nullptr, IID_IFirst, reinterpret_cast<void**>(&first)), S_OK);
    EXPECT_EQ(g_living, 1);
    EXPECT_EQ(module.Count(), 1);
    EXPECT_EQ(first->First(), 1);

    ISecond* second = nullptr;
    ASSERT_EQ(first->QueryInterface(IID_ISecond, reinterpret_cast<void**>(&second)), S_OK);
    EXPECT_EQ(second->Second(), 2);
    EXPECT_NE(static_cast<void*>(second), static_cast<void*>(first));  // each interface its own table
    IUnknown* viaFirst = nullptr;
    IUnknown* viaSecond = nullptr;
    ASSERT_EQ(first->QueryInterface(IID_IUnknown, reinterpret_cast<void**>(&viaFirst)), S_OK);
    ASSERT_EQ(second->QueryInterface(IID_IUnknown, reinterpret_cast<void**>(&viaSecond)), S_OK);
    EXPECT_EQ(viaFirst, viaSecond);  // one identity
    void* missing = &module;
    EXPECT_EQ(first->QueryInterface(IID_IMissing, &missing), E_NOINTERFACE);
    EXPECT_EQ(missing, nullptr);
    EXPECT_EQ(first->QueryInterface(IID_IFirst, nullptr), E_POINTER);

    EXPECT_EQ(viaFirst->Release(), 3u);
    EXPECT_EQ(viaSecond->Release(), 2u);
    EXPECT_EQ(second->Release(), 1u);
    EXPECT_EQ(first->Release(), 0u);
    EXPECT_EQ(g_living, 0);
    EXPECT_EQ(module.Count(), 0);

    // A refused interface leaves no object behind.
    EXPECT_EQ(ComCreateInstance<Probe>(&module, nullptr, IID_IMissing, &missing), E_NOINTERFACE);
    EXPECT_EQ(g_living, 0);
    EXPECT_EQ(module.Count(), 0);
}

// An outer object that counts the references its inner object hands it.
class Outer final : public IUnknown {
  public:
    HRESULT QueryInterface(REFIID, void**) override { return E_NOINTERFACE; }
    ULONG AddRef() override { return ++refs; }
    ULONG Release() override { return --refs; }
    ULONG refs = 1;
};

TEST(ComObjectTest, AnAggregatedObjectPassesItsInterfacesReferencesToTheOuterObject) {
    ComModule module;
    Outer outer;
    void* refused = nullptr;
    EXPECT_EQ(ComCreateInstance<Probe>(&module, &outer, IID_IFirst, &refused), CLASS_E_NOAGGREGATION);
    EXPECT_EQ(g_living, 0);

    IUnknown* inner = nullptr;
    ASSERT_EQ(ComCreateInstance<Probe>(&module, &outer, IID_IUnknown, reinterpret_cast<void**>(&inner)),
              S_OK);
    ISecond* second = nullptr;
    ASSERT_EQ(inner->QueryInterface(IID_ISecond, reinterpret_cast<void**>(&second)), S_OK);
    EXPECT_EQ(outer.refs, 2u);  // the interface's reference belongs to the outer object
    void* none = nullptr;
    EXPECT_EQ(second->QueryInterface(IID_ISecond, &none), E_NOINTERFACE);  // asked of the outer object
    second->Release();
    EXPECT_EQ(outer.refs, 1u);
    EXPECT_EQ(g_living, 1);
    EXPECT_EQ(inner->Release(), 0u);
    EXPECT_EQ(g_living, 0);
    EXPECT_EQ(module.Count(), 0);
}

// A probe whose constructor throws: std::bad_alloc when asked for, std::runtime_error otherwise.
class ThrowingProbe : public Probe {
  public:
    explicit ThrowingProbe(bool outOfMemory) {
        if (outOfMemory) throw std::bad_alloc();
        throw std::runtime_error("constructor failed");
    }
};

// Only running out of memory reads as no object; any other failure of the constructor reaches the
// caller of New, and creation through COM answers it without letting it out.
TEST(ComObjectTest, OnlyAnAllocationFailureInTheConstructorReadsAsOutOfMemory) {
    ComModule module;
    EXPECT_EQ(ComObject<ThrowingProbe>::New(&module, nullptr, true), nullptr);
    EXPECT_THROW(ComObject<ThrowingProbe>::New(&module, nullptr, false), std::runtime_error);
    void* object = &module;
    EXPECT_EQ(ComCreate<ThrowingProbe>(&module, nullptr, IID_IFirst, &object, true), E_OUTOFMEMORY);
    EXPECT_EQ(object, nullptr);
    object = &module;
    EXPECT_EQ(ComCreate<ThrowingProbe>(&module, nullptr, IID_IFirst, &object, false), E_UNEXPECTED);
    EXPECT_EQ(object, nullptr);
    EXPECT_EQ(g_living, 0);
    EXPECT_EQ(module.Count(), 0);
}

TEST(ComObjectTest, ClassTableCreatesThroughTheRegisteredFactoryForItsContexts) {
    ComModule module;
    IClassFactory* factory = nullptr;
    ASSERT_EQ(ComGetClassFactory(&module, &ComCreateInstance<Probe>, IID_IClassFactory,
                                 reinterpret_cast<void**>(&factory)),
              S_OK);
    EXPECT_EQ(module.Count(), 1);  // a living factory holds the module
    DWORD cookie = 0;
    ASSERT_EQ(CoRegisterClassObject(CLSID_Probe, factory, CLSCTX_INPROC_SERVER, REGCLS_MULTIPLEUSE, &cookie),
              S_OK);
    factory->Release();

    IFirst* first = nullptr;
    ASSERT_EQ(
        CoCreateInstance(CLSID_Probe, nullptr, CLSCTX_ALL, IID_IFirst, reinterpret_cast<void**>(&first)),
        S_OK);
    EXPECT_EQ(first->First(), 1);
    first->Release();
    void* object = nullptr;
    EXPECT_EQ(CoCreateInstance(CLSID_Probe, nullptr, CLSCTX_LOCAL_SERVER, IID_IFirst, &object),
              REGDB_E_CLASSNOTREG);
    EXPECT_EQ(CoCreateInstance(CLSID_Probe, nullptr, CLSCTX_ALL, IID_IMissing, &object), E_NOINTERFACE);
    EXPECT_EQ(object, nullptr);

    ASSERT_EQ(factory->LockServer(TRUE), S_OK);
    EXPECT_EQ(module.Count(), 2);
    ASSERT_EQ(factory->LockServer(FALSE), S_OK);

    EXPECT_EQ(CoRevokeClassObject(cookie), S_OK);
    EXPECT_EQ(CoRevokeClassObject(cookie), CO_E_OBJNOTREG);
    EXPECT_EQ(module.Count(), 0);  // the table's reference was the factory's last
    EXPECT_EQ(CoCreateInstance(CLSID_Probe, nullptr, CLSCTX_ALL, IID_IFirst, &object), REGDB_E_CLASSNOTREG);
    EXPECT_EQ(g_living, 0);
}

TEST(ComObjectTest, GuidsCompareByTheirBytesAndPrintInRegistryForm) {
    EXPECT_TRUE(IID_IFirst == IID_IFirst);
    EXPECT_FALSE(IsEqualGUID(IID_IFirst, IID_ISecond));
    const GUID guid = {0x122E0BAB, 0xDAE0, 0x4285, {0xB7, 0x08, 0xEB, 0x49, 0x74, 0x40, 0x92, 0x7A}};
    WCHAR text[39];
    ASSERT_EQ(StringFromGUID2(guid, text, 39), 39);
    EXPECT_EQ(std::wstring(text), L"{122E0BAB-DAE0-4285-B708-EB497440927A}");
    EXPECT_EQ(StringFromGUID2(guid, text, 38), 0);
}

}  // namespace
