#include "platform/com/type_library.h"

#include <limits.h>
#include <stdlib.h>

#include <algorithm>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "platform/com/com_object.h"
#include "platform/files/machine_root.h"
#include "platform/system/module_library.h"
#include "platform/system/wide_text.h"

namespace {

// {00020401-0000-0000-C000-000000000046}
constexpr IID IID_ITypeInfo = {0x00020401, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};
// {00020402-0000-0000-C000-000000000046}
constexpr IID IID_ITypeLib = {0x00020402, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};

constexpr WORD kDispatchOperations = 7;  // IUnknown's three and IDispatch's four

// The descriptions of the loaded modules.
struct Resources {
    std::mutex lock;
    std::vector<const TypeLibDescription*> descriptions;
};

Resources& LoadedResources() {
    static Resources* resources = new Resources;  // used by static objects of modules until the process ends
    return *resources;
}

std::string Resolved(const std::string& path) {
    char resolved[PATH_MAX];
    return ::realpath(path.c_str(), resolved) != nullptr ? std::string(resolved) : std::string();
}

// The resolved file of the module that holds `address`.
std::string ResolvedModuleFileOf(const void* address) {
    const std::string file = platform::ModuleFileOf(address);
    return file.empty() ? std::string() : Resolved(platform::MapPath(file));
}

// Sets each given output: a copy of the text (SysAllocString), or the help context 0.
HRESULT Document(const WCHAR* name, const WCHAR* helpString, BSTR* nameOut, BSTR* helpOut, DWORD* contextOut,
                 BSTR* fileOut) {
    if (nameOut != nullptr) *nameOut = SysAllocString(name);
    if (helpOut != nullptr) *helpOut = SysAllocString(helpString);
    if (contextOut != nullptr) *contextOut = 0;
    if (fileOut != nullptr) *fileOut = nullptr;
    const bool outOfMemory =
        (nameOut != nullptr && *nameOut == nullptr) || (helpOut != nullptr && *helpOut == nullptr);
    if (!outOfMemory) return S_OK;
    if (nameOut != nullptr) SysFreeString(*nameOut), *nameOut = nullptr;
    if (helpOut != nullptr) SysFreeString(*helpOut), *helpOut = nullptr;
    return E_OUTOFMEMORY;
}

class TypeInfo : public ITypeInfo {
  public:
    static const ComInterfaceEntry kInterfaces[];
    TypeInfo(ITypeLib* library, const TypeLibDescription& description, UINT index)
        : library_(library), description_(description), index_(index) {
        library_->AddRef();
    }
    virtual ~TypeInfo() { library_->Release(); }

    HRESULT GetTypeAttr(TYPEATTR** attributes) override {
        if (attributes == nullptr) return E_INVALIDARG;
        const TypeDescription& type = Type();
        const bool isClass = type.kind == TKIND_COCLASS;
        *attributes =
            new (std::nothrow) TYPEATTR{type.guid,
                                        0,
                                        type.kind,
                                        0,
                                        0,
                                        1,
                                        static_cast<WORD>(isClass ? 0 : kDispatchOperations * sizeof(void*)),
                                        type.flags,
                                        description_.majorVersion,
                                        description_.minorVersion};
        return *attributes != nullptr ? S_OK : E_OUTOFMEMORY;
    }
    HRESULT GetIDsOfNames(LPOLESTR* names, UINT count, MEMBERID* ids) override {
        if (names == nullptr || ids == nullptr || count == 0) return E_INVALIDARG;
        std::fill(ids, ids + count, MEMBERID_NIL);  // the types have no members
        return DISP_E_UNKNOWNNAME;
    }
    HRESULT Invoke(void*, MEMBERID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*, UINT*) override {
        return DISP_E_MEMBERNOTFOUND;
    }
    HRESULT GetDocumentation(MEMBERID member, BSTR* name, BSTR* helpString, DWORD* helpContext,
                             BSTR* helpFile) override {
        if (member != MEMBERID_NIL) return TYPE_E_ELEMENTNOTFOUND;
        return Document(Type().name, Type().helpString, name, helpString, helpContext, helpFile);
    }
    HRESULT GetContainingTypeLib(ITypeLib** library, UINT* index) override {
        if (library == nullptr) return E_INVALIDARG;
        library_->AddRef();
        *library = library_;
        if (index != nullptr) *index = index_;
        return S_OK;
    }
    void ReleaseTypeAttr(TYPEATTR* attributes) override { delete attributes; }

  private:
    const TypeDescription& Type() const { return description_.types[index_]; }

    ITypeLib* library_;
    const TypeLibDescription& description_;
    UINT index_;
};
const ComInterfaceEntry TypeInfo::kInterfaces[] = {ComEntry<TypeInfo, ITypeInfo>(IID_ITypeInfo), {}};

// A library keeps its module loaded (one reference of it) while the library or a type of it lives.
class TypeLib : public ITypeLib {
  public:
    static const ComInterfaceEntry kInterfaces[];
    TypeLib(const TypeLibDescription& description, HMODULE module)
        : description_(description), module_(module) {}
    virtual ~TypeLib() { FreeLibrary(module_); }

    UINT GetTypeInfoCount() override { return description_.typeCount; }
    HRESULT GetTypeInfo(UINT index, ITypeInfo** info) override {
        if (info == nullptr) return E_INVALIDARG;
        *info = nullptr;
        if (index >= description_.typeCount) return TYPE_E_ELEMENTNOTFOUND;
        return ComCreate<TypeInfo>(nullptr, nullptr, IID_ITypeInfo, reinterpret_cast<void**>(info),
                                   static_cast<ITypeLib*>(this), description_, index);
    }
    HRESULT GetTypeInfoOfGuid(REFGUID guid, ITypeInfo** info) override {
        if (info == nullptr) return E_INVALIDARG;
        *info = nullptr;
        for (UINT i = 0; i < description_.typeCount; ++i) {
            if (description_.types[i].guid == guid) return GetTypeInfo(i, info);
        }
        return TYPE_E_ELEMENTNOTFOUND;
    }
    HRESULT GetLibAttr(TLIBATTR** attributes) override {
        if (attributes == nullptr) return E_INVALIDARG;
        *attributes = new (std::nothrow) TLIBATTR{
            description_.libid, 0, SYS_WIN32, description_.majorVersion, description_.minorVersion, 0};
        return *attributes != nullptr ? S_OK : E_OUTOFMEMORY;
    }
    HRESULT GetDocumentation(INT index, BSTR* name, BSTR* helpString, DWORD* helpContext,
                             BSTR* helpFile) override {
        if (index == -1) {
            return Document(description_.name, description_.helpString, name, helpString, helpContext,
                            helpFile);
        }
        if (index < 0 || static_cast<UINT>(index) >= description_.typeCount) return TYPE_E_ELEMENTNOTFOUND;
        const TypeDescription& type = description_.types[index];
        return Document(type.name, type.helpString, name, helpString, helpContext, helpFile);
    }
    void ReleaseTLibAttr(TLIBATTR* attributes) override { delete attributes; }

  private:
    const TypeLibDescription& description_;
    HMODULE module_;
};
const ComInterfaceEntry TypeLib::kInterfaces[] = {ComEntry<TypeLib, ITypeLib>(IID_ITypeLib), {}};

}  // namespace

namespace platform {

TypeLibResource::TypeLibResource(const TypeLibDescription& description) : description_(description) {
    Resources& resources = LoadedResources();
    std::lock_guard<std::mutex> hold(resources.lock);
    resources.descriptions.push_back(&description_);
}

TypeLibResource::~TypeLibResource() {
    Resources& resources = LoadedResources();
    std::lock_guard<std::mutex> hold(resources.lock);
    auto& list = resources.descriptions;
    list.erase(std::remove(list.begin(), list.end(), &description_), list.end());
}

}  // namespace platform

HRESULT LoadTypeLib(const WCHAR* file, ITypeLib** library) {
    if (file == nullptr || library == nullptr) return E_INVALIDARG;
    *library = nullptr;
    const std::string wanted = Resolved(platform::MapPath(platform::NarrowText(file)));
    if (wanted.empty()) return TYPE_E_CANTLOADLIBRARY;
    Resources& resources = LoadedResources();
    std::lock_guard<std::mutex> hold(resources.lock);
    for (const TypeLibDescription* description : resources.descriptions) {
        HMODULE module = nullptr;
        if (ResolvedModuleFileOf(description) != wanted ||
            !GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS, reinterpret_cast<LPCSTR>(description),
                                &module))
            continue;
        const HRESULT created = ComCreate<TypeLib>(nullptr, nullptr, IID_ITypeLib,
                                                   reinterpret_cast<void**>(library), *description, module);
        if (FAILED(created)) FreeLibrary(module);  // no object was made (it asks only for its own interface)
        return created;
    }
    return TYPE_E_CANTLOADLIBRARY;
}
