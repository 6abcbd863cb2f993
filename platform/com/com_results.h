// The HRESULT codes of COM and of the snapshot service that the provider returns and tests, and the
// HRESULT helpers. Values as the system defines them.
#pragma once

#include "platform/com/com_init.h"
#include "platform/win_types.h"

constexpr bool SUCCEEDED(HRESULT hr) { return hr >= 0; }
constexpr bool FAILED(HRESULT hr) { return hr < 0; }

constexpr HRESULT MakeHresult(uint32_t value) { return static_cast<HRESULT>(value); }
// A Windows error code as an HRESULT of the Win32 facility (0 stays S_OK).
constexpr HRESULT HRESULT_FROM_WIN32(DWORD error) {
    return error == 0 ? 0 : MakeHresult((error & 0xFFFFu) | 0x80070000u);
}

constexpr HRESULT E_NOTIMPL = MakeHresult(0x80004001);
constexpr HRESULT E_NOINTERFACE = MakeHresult(0x80004002);
constexpr HRESULT E_POINTER = MakeHresult(0x80004003);
constexpr HRESULT E_FAIL = MakeHresult(0x80004005);
constexpr HRESULT E_UNEXPECTED = MakeHresult(0x8000FFFF);
constexpr HRESULT E_OUTOFMEMORY = MakeHresult(0x8007000E);
constexpr HRESULT E_INVALIDARG = MakeHresult(0x80070057);

constexpr HRESULT CLASS_E_NOAGGREGATION = MakeHresult(0x80040110);
constexpr HRESULT CLASS_E_CLASSNOTAVAILABLE = MakeHresult(0x80040111);
constexpr HRESULT REGDB_E_CLASSNOTREG = MakeHresult(0x80040154);
constexpr HRESULT CO_E_OBJNOTREG = MakeHresult(0x800401FB);

constexpr HRESULT VSS_E_PROVIDER_ALREADY_REGISTERED = MakeHresult(0x80042303);
constexpr HRESULT VSS_E_PROVIDER_NOT_REGISTERED = MakeHresult(0x80042304);
constexpr HRESULT VSS_E_PROVIDER_VETO = MakeHresult(0x80042306);
constexpr HRESULT VSS_E_OBJECT_NOT_FOUND = MakeHresult(0x80042308);
constexpr HRESULT VSS_E_VOLUME_NOT_SUPPORTED = MakeHresult(0x8004230C);
constexpr HRESULT VSS_E_MAXIMUM_NUMBER_OF_SNAPSHOTS_REACHED = MakeHresult(0x80042317);
constexpr HRESULT VSS_E_UNSUPPORTED_CONTEXT = MakeHresult(0x8004231B);
constexpr HRESULT VSS_E_INSUFFICIENT_STORAGE = MakeHresult(0x8004231F);
