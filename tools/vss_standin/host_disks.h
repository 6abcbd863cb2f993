// The host's disks as the snapshot service sees them: the numbers N of the "\\.\PhysicalDriveN" devices the
// system lists, and a disk's description built from its inquiry data (standard data, the unit serial
// number page and the device identification page), every block COM task memory.
#pragma once

#include <string>
#include <vector>

#include "platform/com/com_results.h"
#include "platform/com/vds_lun.h"

namespace standin {

// The disks the system lists now, in ascending order ("the host rescans its buses").
std::vector<int> ListHostDisks();
// "\\.\PhysicalDrive<number>".
std::wstring DiskDeviceName(int number);
// The disk's description, as the service builds it before it asks a provider; *lun must be empty. A
// failure (the disk cannot be opened or does not answer) leaves it empty.
HRESULT DescribeDisk(int number, VDS_LUN_INFORMATION* lun);

}  // namespace standin
