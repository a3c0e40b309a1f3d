// Which physical disk a folder lies on, so that the second copy's place is
// never, unknowingly, on the disk of the files it should outlive. Two letters
// (C: and D: on one SSD, a subst, a share of this PC's own folder) can name
// one disk; only the system's answer about the disks behind a volume tells.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

namespace sorel::app {

// The physical disks behind the volume whose root is `volumeRoot` ("C:\" or a
// folder a volume is mounted on), by number; empty when the system cannot say
// (Wine, a network drive). Tests put in their own answer; null puts the
// system's back.
using DiskNumbersFunction = std::vector<DWORD> (*)(const std::string& volumeRoot);
void UseDiskNumbers(DiskNumbersFunction function);

// What tells two disks apart: "disk 0" or "disk 0,2" for the physical disks
// behind the volume where the system finally finds the path, or else that
// path's VolumeKey. Touches the disk: for a worker, or a local file.
std::string DiskKey(const std::string& path);

// Whether two DiskKeys name a disk in common.
bool SameDisk(const std::string& a, const std::string& b);

// What tells two volumes apart: the volume's name, or \\SERVER\SHARE for a
// network path. Empty when the path names neither.
std::string VolumeKey(const std::string& path);

// Whether the folder `place` lies on the disk of one of the files `listed`:
// each folder is first taken where the system finally finds it, so the same
// folder reached by a second letter or through a share counts. Touches every
// disk involved: for a worker thread.
bool SharesDiskWithListedFile(const std::string& place, const std::vector<std::string>& listed);

}  // namespace sorel::app
