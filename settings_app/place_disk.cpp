#include "place_disk.h"

#include <winioctl.h>

#include <algorithm>

#include "../common/place/place_paths.h"
#include "../common/store_path.h"
#include "../common/win/files.h"
#include "../common/win/unique_handle.h"

namespace sorel::app {

namespace {

// "E:" alone is the drive's current folder, not its root.
std::string WithBackslash(const std::string& folder) {
    return folder.empty() || folder.back() == '\\' ? folder : folder + "\\";
}

std::vector<DWORD> SystemDiskNumbers(const std::string& volumeRoot) {
    // The volume itself is opened by its name without the root's backslash;
    // no access is needed to ask where it lies.
    char name[64] = {};
    std::string device = GetVolumeNameForVolumeMountPointA(volumeRoot.c_str(), name, sizeof name)
                             ? std::string(name)
                             : "\\\\.\\" + volumeRoot;
    if (!device.empty() && device.back() == '\\') {
        device.pop_back();
    }
    FileHandle volume(CreateFileA(device.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                  OPEN_EXISTING, 0, nullptr));
    if (!volume) {
        return {};
    }
    constexpr DWORD kMostExtents = 32;
    union {
        VOLUME_DISK_EXTENTS extents;
        char room[sizeof(VOLUME_DISK_EXTENTS) + kMostExtents * sizeof(DISK_EXTENT)];
    } answer = {};
    DWORD got = 0;
    if (!DeviceIoControl(volume.get(), IOCTL_VOLUME_GET_VOLUME_DISK_EXTENTS, nullptr, 0, &answer,
                         sizeof answer, &got, nullptr)) {
        return {};
    }
    std::vector<DWORD> disks;
    for (DWORD i = 0; i < answer.extents.NumberOfDiskExtents && i <= kMostExtents; ++i) {
        disks.push_back(answer.extents.Extents[i].DiskNumber);
    }
    return disks;
}

DiskNumbersFunction DiskNumbersOf = SystemDiskNumbers;

constexpr char kDiskPrefix[] = "disk ";

std::vector<std::string> DiskNumbersIn(const std::string& key) {
    std::vector<std::string> numbers;
    std::size_t from = sizeof kDiskPrefix - 1;
    while (from <= key.size()) {
        const std::size_t comma = std::min(key.find(',', from), key.size());
        numbers.push_back(key.substr(from, comma - from));
        from = comma + 1;
    }
    return numbers;
}

// Where the system finally finds a folder, and the serial number of the
// volume it is on (0 when it cannot be opened).
struct FolderIdentity {
    std::string path;
    DWORD serial = 0;
};

FolderIdentity IdentityOf(const std::string& folder) {
    FolderIdentity identity{folder, 0};
    const std::string open = folder.size() == 2 ? WithBackslash(folder) : folder;
    FileHandle handle(CreateFileA(open.c_str(), 0,
                                  FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                  OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    if (!handle) {
        return identity;
    }
    char final[MAX_PATH * 2] = {};
    const DWORD length = GetFinalPathNameByHandleA(handle.get(), final, sizeof final,
                                                   FILE_NAME_NORMALIZED | VOLUME_NAME_DOS);
    if (length > 0 && length < sizeof final) {
        const std::string path(final, length);
        if (path.rfind("\\\\?\\UNC\\", 0) == 0) {
            identity.path = "\\" + path.substr(7);
        } else if (path.rfind("\\\\?\\", 0) == 0) {
            identity.path = path.substr(4);
        }
    }
    BY_HANDLE_FILE_INFORMATION information;
    if (GetFileInformationByHandle(handle.get(), &information)) {
        identity.serial = information.dwVolumeSerialNumber;
    }
    return identity;
}

}  // namespace

void UseDiskNumbers(DiskNumbersFunction function) {
    DiskNumbersOf = function ? function : SystemDiskNumbers;
}

std::string DiskKey(const std::string& given) {
    // A second letter for a folder (subst) names the disk of the folder.
    const std::string path = IdentityOf(given).path;
    char root[MAX_PATH] = {};
    const std::string query = path.size() == 2 ? WithBackslash(path) : path;
    if (!ShareRoot(path, IsSystemLeadByte).empty() ||
        !GetVolumePathNameA(query.c_str(), root, sizeof root)) {
        return VolumeKey(path);
    }
    std::vector<DWORD> disks = DiskNumbersOf(root);
    if (disks.empty()) {
        return VolumeKey(path);
    }
    std::sort(disks.begin(), disks.end());
    std::string key = kDiskPrefix;
    for (std::size_t i = 0; i < disks.size(); ++i) {
        key += (i ? "," : "") + std::to_string(disks[i]);
    }
    return key;
}

bool SameDisk(const std::string& a, const std::string& b) {
    if (a.empty() || b.empty()) {
        return false;
    }
    if (a.rfind(kDiskPrefix, 0) != 0 || b.rfind(kDiskPrefix, 0) != 0) {
        return a == b;
    }
    const std::vector<std::string> ours = DiskNumbersIn(a);
    for (const std::string& number : DiskNumbersIn(b)) {
        if (std::find(ours.begin(), ours.end(), number) != ours.end()) {
            return true;
        }
    }
    return false;
}

std::string VolumeKey(const std::string& path) {
    // Wine's GetVolumePathNameA fails for a network path, and the share is
    // the disk there in any case.
    std::string share = ShareRoot(path, IsSystemLeadByte);
    if (!share.empty()) {
        return share;
    }
    char root[MAX_PATH] = {};
    const std::string query = path.size() == 2 ? WithBackslash(path) : path;
    if (!GetVolumePathNameA(query.c_str(), root, sizeof root)) {
        return {};
    }
    char volume[64] = {};
    if (GetVolumeNameForVolumeMountPointA(root, volume, sizeof volume)) {
        return volume;
    }
    // A mapped network drive, or a drive the mount manager does not know:
    // its root tells it apart from the others.
    share = ShareRoot(root, IsSystemLeadByte);
    if (!share.empty()) {
        return share;
    }
    std::string key(root);
    for (char& c : key) {
        if (c >= 'a' && c <= 'z') {
            c = static_cast<char>(c - 'a' + 'A');
        }
    }
    return key;
}

bool SharesDiskWithListedFile(const std::string& place, const std::vector<std::string>& listed) {
    const FolderIdentity ours = IdentityOf(place);
    const std::string disk = DiskKey(place);
    for (const std::string& path : listed) {
        const std::size_t end = LastSeparator(path, IsSystemLeadByte);
        if (end == std::string::npos) {
            continue;
        }
        // One volume serial number: the same volume, whatever way it was
        // reached.
        const FolderIdentity theirs = IdentityOf(path.substr(0, end));
        if ((ours.serial && ours.serial == theirs.serial) || SameDisk(DiskKey(theirs.path), disk)) {
            return true;
        }
    }
    return false;
}

}  // namespace sorel::app
