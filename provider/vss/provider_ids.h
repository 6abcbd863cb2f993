// The fixed identifiers of the provider: its provider ID and version ID with the snapshot service, its
// class, its type library (also its AppID) and its own dual interface.
#pragma once

#include "platform/com/guid.h"

// {9D09666C-5CF8-45CA-9294-127C95562094}
inline constexpr GUID kVssProviderId = {
    0x9D09666C, 0x5CF8, 0x45CA, {0x92, 0x94, 0x12, 0x7C, 0x95, 0x56, 0x20, 0x94}};
// {122E0BAB-DAE0-4285-B708-EB497440927A}
inline constexpr CLSID CLSID_BVSS_HardwareProvider = {
    0x122E0BAB, 0xDAE0, 0x4285, {0xB7, 0x08, 0xEB, 0x49, 0x74, 0x40, 0x92, 0x7A}};
// {33DE77D7-EEE6-4731-AABB-77600B3F6977}
inline constexpr GUID kVssProviderVersionId = {
    0x33DE77D7, 0xEEE6, 0x4731, {0xAA, 0xBB, 0x77, 0x60, 0x0B, 0x3F, 0x69, 0x77}};
// {0192BBE5-5023-4CE6-A8B5-1AC17FCD3CDA}: the type library's ID, also the AppID
inline constexpr GUID LIBID_BrenlowHardwareProvider = {
    0x0192BBE5, 0x5023, 0x4CE6, {0xA8, 0xB5, 0x1A, 0xC1, 0x7F, 0xCD, 0x3C, 0xDA}};
// {DF0403D5-BF27-4C0B-9FED-34BBB9C3BC7A}
inline constexpr IID IID_IBVSS_HardwareProvider = {
    0xDF0403D5, 0xBF27, 0x4C0B, {0x9F, 0xED, 0x34, 0xBB, 0xB9, 0xC3, 0xBC, 0x7A}};
