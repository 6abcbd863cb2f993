// Type libraries. A Windows module carries its type library as a compiled resource; here a module keeps the
// description as data and declares it with a static TypeLibResource, and LoadTypeLib finds the description
// of the module whose file it is given. ITypeLib and ITypeInfo serve it with the operations callers use
// (declared in the system's slot order, the operations nobody calls left out); RegisterTypeLib and
// UnRegisterTypeLib write and remove its keys under HKEY_CLASSES_ROOT as Windows does.
#pragma once

#include "platform/com/bstr.h"
#include "platform/com/com_unknown.h"

enum TYPEKIND { TKIND_ENUM, TKIND_RECORD, TKIND_MODULE, TKIND_INTERFACE, TKIND_DISPATCH, TKIND_COCLASS };
enum SYSKIND { SYS_WIN16, SYS_WIN32, SYS_MAC, SYS_WIN64 };

constexpr WORD TYPEFLAG_FCANCREATE = 0x0001;
constexpr WORD TYPEFLAG_FDUAL = 0x0040;
constexpr WORD TYPEFLAG_FOLEAUTOMATION = 0x0100;
constexpr WORD TYPEFLAG_FDISPATCHABLE = 0x1000;

using MEMBERID = DISPID;
constexpr MEMBERID MEMBERID_NIL = -1;

constexpr HRESULT DISP_E_UNKNOWNINTERFACE = MakeHresult(0x80020001);
constexpr HRESULT DISP_E_MEMBERNOTFOUND = MakeHresult(0x80020003);
constexpr HRESULT DISP_E_UNKNOWNNAME = MakeHresult(0x80020006);
constexpr HRESULT DISP_E_BADINDEX = MakeHresult(0x8002000B);
constexpr HRESULT TYPE_E_REGISTRYACCESS = MakeHresult(0x8002801C);
constexpr HRESULT TYPE_E_ELEMENTNOTFOUND = MakeHresult(0x8002802B);
constexpr HRESULT TYPE_E_CANTLOADLIBRARY = MakeHresult(0x80029C4A);

// {00020424-0000-0000-C000-000000000046}: the system's marshaller of automation (dual) interfaces.
inline constexpr CLSID CLSID_PSOAInterface = {
    0x00020424, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};

// What GetTypeAttr tells of a type (the members used here).
struct TYPEATTR {
    GUID guid;
    LCID lcid;
    TYPEKIND typekind;
    WORD cFuncs;  // the type's own functions
    WORD cVars;
    WORD cImplTypes;  // interfaces a class implements, or the base an interface derives from
    WORD cbSizeVft;   // bytes of the virtual table, the base's operations included
    WORD wTypeFlags;
    WORD wMajorVerNum;
    WORD wMinorVerNum;
};

// What GetLibAttr tells of a library.
struct TLIBATTR {
    GUID guid;
    LCID lcid;
    SYSKIND syskind;
    WORD wMajorVerNum;
    WORD wMinorVerNum;
    WORD wLibFlags;
};

struct ITypeLib;

struct ITypeInfo : IUnknown {
    virtual HRESULT GetTypeAttr(TYPEATTR** attributes) = 0;
    // Each name's member ID; DISP_E_UNKNOWNNAME (IDs MEMBERID_NIL) for a name the type does not have.
    virtual HRESULT GetIDsOfNames(LPOLESTR* names, UINT count, MEMBERID* ids) = 0;
    virtual HRESULT Invoke(void* instance, MEMBERID member, WORD flags, DISPPARAMS* parameters,
                           VARIANT* result, EXCEPINFO* exception, UINT* argumentError) = 0;
    // MEMBERID_NIL: the type's own name and help string; any of the outputs may be null.
    virtual HRESULT GetDocumentation(MEMBERID member, BSTR* name, BSTR* helpString, DWORD* helpContext,
                                     BSTR* helpFile) = 0;
    virtual HRESULT GetContainingTypeLib(ITypeLib** library, UINT* index) = 0;
    virtual void ReleaseTypeAttr(TYPEATTR* attributes) = 0;

  protected:
    ~ITypeInfo() = default;
};

struct ITypeLib : IUnknown {
    virtual UINT GetTypeInfoCount() = 0;
    virtual HRESULT GetTypeInfo(UINT index, ITypeInfo** info) = 0;
    virtual HRESULT GetTypeInfoOfGuid(REFGUID guid, ITypeInfo** info) = 0;
    virtual HRESULT GetLibAttr(TLIBATTR** attributes) = 0;
    // Index -1: the library's own name and help string.
    virtual HRESULT GetDocumentation(INT index, BSTR* name, BSTR* helpString, DWORD* helpContext,
                                     BSTR* helpFile) = 0;
    virtual void ReleaseTLibAttr(TLIBATTR* attributes) = 0;

  protected:
    ~ITypeLib() = default;
};

// One type of a library's description.
struct TypeDescription {
    TYPEKIND kind;  // TKIND_COCLASS, or TKIND_DISPATCH for a dual interface derived from IDispatch
    GUID guid;
    const WCHAR* name;
    const WCHAR* helpString;
    WORD flags;  // TYPEFLAG_...
};

// A type library's description: the library, then its types. Types have no members of their own here.
struct TypeLibDescription {
    GUID libid;
    WORD majorVersion;
    WORD minorVersion;
    const WCHAR* name;
    const WCHAR* helpString;
    const TypeDescription* types;
    UINT typeCount;
};

namespace platform {

// A module's type library (the stand-in of its TYPELIB resource): a static object of the module, known to
// LoadTypeLib while the module is loaded.
class TypeLibResource {
  public:
    explicit TypeLibResource(const TypeLibDescription& description);
    ~TypeLibResource();
    TypeLibResource(const TypeLibResource&) = delete;
    TypeLibResource& operator=(const TypeLibResource&) = delete;

  private:
    const TypeLibDescription& description_;
};

}  // namespace platform

// The type library of the module file `file` (a Windows path, or a path of this machine as
// GetModuleFileNameA gives it), which keeps that module loaded until it and its types are released;
// TYPE_E_CANTLOADLIBRARY when no loaded module of that file carries one.
HRESULT LoadTypeLib(const WCHAR* file, ITypeLib** library);
// Writes the library's keys: TypeLib\{libid}\<major>.<minor> (its help string) with FLAGS, HELPDIR (helpDir,
// or the file's directory) and 0\win32 (fullPath); for each dual interface Interface\{iid} (its name) with
// the automation marshaller and its library. TYPE_E_REGISTRYACCESS when a key cannot be written.
HRESULT RegisterTypeLib(ITypeLib* library, const WCHAR* fullPath, const WCHAR* helpDir);
// Removes that version's keys (and the library's key once no version is left) and the Interface keys of
// the library's dual interfaces; TYPE_E_REGISTRYACCESS when the version is not registered.
HRESULT UnRegisterTypeLib(REFGUID libid, WORD majorVersion, WORD minorVersion, LCID lcid, SYSKIND syskind);
