#include "place_find.h"

#include <windows.h>

#include "../place/place_history.h"
#include "files.h"

namespace sorel {

namespace {

bool ReadMarker(const std::string& markerFolder, const std::string& identity) {
    std::string bytes;
    const std::string path = markerFolder + "\\" + std::string(kMarkerFileName);
    // A marker is a few lines; anything larger is not ours. Others may read it
    // at the same instant (another PC's agent), which must not make it missed.
    if (ReadFilePrefixSharingRead(path, 8192, bytes) != ReadResult::kOk) {
        return false;
    }
    const PlaceMarker marker = ParsePlaceMarker(bytes);
    return !marker.identity.empty() && lstrcmpiA(marker.identity.c_str(), identity.c_str()) == 0;
}

bool IsDriveLetter(char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}

}  // namespace

std::string FindPlace(const PlaceChoice& choice) {
    if (choice.Empty()) {
        return {};
    }
    const std::string tail = "\\" + std::string(kPlaceFolderName);
    if (ReadMarker(choice.folder + tail, choice.identity)) {
        return choice.folder + tail;
    }
    // A network path has no other letters to try.
    const std::string& folder = choice.folder;
    if (folder.size() < 2 || folder[1] != ':' || !IsDriveLetter(folder[0])) {
        return {};
    }
    const char chosen = static_cast<char>(folder[0] & ~0x20);  // upper case
    // Each letter's root is asked for its type, which needs no disk: the
    // letters that GetLogicalDrives gives can leave out a drive that came
    // after the session began (Wine's do). A mapped network letter that is
    // not connected can take seconds to answer, and a disc is no place: both
    // are passed over.
    for (char letter = 'A'; letter <= 'Z'; ++letter) {
        const char root[] = {letter, ':', '\\', '\0'};
        const UINT type = letter == chosen ? DRIVE_NO_ROOT_DIR : GetDriveTypeA(root);
        if (type != DRIVE_FIXED && type != DRIVE_REMOVABLE && type != DRIVE_RAMDISK) {
            continue;
        }
        const std::string moved = std::string(1, letter) + folder.substr(1) + tail;
        if (ReadMarker(moved, choice.identity)) {
            return moved;
        }
    }
    return {};
}

std::string ComputerName() {
    char name[MAX_COMPUTERNAME_LENGTH + 1] = {};
    DWORD size = sizeof name;
    return GetComputerNameA(name, &size) ? std::string(name, size) : std::string();
}

std::string PcVersionsFolder(const std::string& markerFolder) {
    return markerFolder + "\\" + PcFolderName(ComputerName(), IsSystemLeadByte);
}

bool ReadManifest(const std::string& folder, std::vector<ManifestEntry>& entries) {
    std::string bytes;
    const std::string path = folder + "\\" + std::string(kManifestName);
    ReadResult read = ReadResult::kBusy;
    RetryWhileBusy([&] {
        read = ReadFilePrefixSharingRead(path, 1 << 20, bytes);
        return read != ReadResult::kBusy;
    });
    entries = read == ReadResult::kOk ? ParseManifest(bytes) : std::vector<ManifestEntry>();
    return read != ReadResult::kBusy;
}

}  // namespace sorel
