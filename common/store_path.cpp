#include "store_path.h"

namespace sorel {

bool IsCp932LeadByte(unsigned char byte) {
    return (byte >= 0x81 && byte <= 0x9F) || (byte >= 0xE0 && byte <= 0xFC);
}

namespace {

bool IsAsciiLetter(char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}

// Windows takes "/" for a folder separator wherever it takes "\"; a path line
// written with "/" must not put its store in the drive's root. Neither byte is
// ever the second byte of a double-byte character of code page 932 as "/".
bool IsSeparator(char c) {
    return c == '\\' || c == '/';
}

// Length in bytes of the character that starts at `pos`: two for a lead byte
// followed by anything but the end of the text, otherwise one.
std::size_t CharLength(std::string_view text, std::size_t pos, LeadByteTest isLead) {
    if (isLead(static_cast<unsigned char>(text[pos])) && pos + 1 < text.size() &&
        text[pos + 1] != '\0') {
        return 2;
    }
    return 1;
}

}  // namespace

std::size_t LastSeparator(std::string_view path, LeadByteTest isLead) {
    std::size_t last = std::string_view::npos;
    for (std::size_t pos = 0; pos < path.size();) {
        const std::size_t len = CharLength(path, pos, isLead);
        if (len == 1 && IsSeparator(path[pos])) {
            last = pos;
        }
        pos += len;
    }
    return last;
}

PathParts SplitPath(std::string_view path, LeadByteTest isLead) {
    PathParts parts;
    // The first two characters are single bytes here, so byte positions are
    // character positions. A drive must be a letter: anything else has no
    // place on disk that the store could be made beside.
    if (path.size() < 3 || !IsAsciiLetter(path[0]) || path[1] != ':' || !IsSeparator(path[2])) {
        return parts;
    }
    // At least the separator after the drive.
    const std::size_t lastSlash = LastSeparator(path, isLead);
    std::size_t lastDot = std::string_view::npos;
    for (std::size_t pos = lastSlash + 1; pos < path.size();) {
        std::size_t len = CharLength(path, pos, isLead);
        if (len == 1 && path[pos] == '.') {
            lastDot = pos;
        }
        pos += len;
    }
    parts.drive = std::string(path.substr(0, 2));
    parts.folder = std::string(path.substr(2, lastSlash - 1));
    std::string_view rest = path.substr(lastSlash + 1);
    if (lastDot == std::string_view::npos) {
        parts.name = std::string(rest);
    } else {
        parts.name = std::string(path.substr(lastSlash + 1, lastDot - lastSlash - 1));
        parts.extension = std::string(path.substr(lastDot));
    }
    return parts;
}

std::string BackupFolderPath(const PathParts& parts, std::string_view spelling) {
    if (parts.Empty()) {
        return {};
    }
    return parts.drive + parts.folder + std::string(spelling);
}

std::string GenerationPath(const PathParts& parts, int n, std::string_view spelling) {
    static const char* const kPrefixes[] = {"11", "22", "33"};
    if (parts.Empty() || n < 1 || n > 3) {
        return {};
    }
    return BackupFolderPath(parts, spelling) + "\\" + kPrefixes[n - 1] + parts.name +
           parts.extension;
}

std::string IncomingPath(const PathParts& parts) {
    if (parts.Empty()) {
        return {};
    }
    return BackupFolderPath(parts) + "\\~new~" + parts.name + parts.extension;
}

std::string ParkedPath(const PathParts& parts) {
    if (parts.Empty()) {
        return {};
    }
    return BackupFolderPath(parts) + "\\~old~" + parts.name + parts.extension;
}

std::string LockPath(const PathParts& parts) {
    if (parts.Empty()) {
        return {};
    }
    return BackupFolderPath(parts) + "\\~lck~" + parts.name + parts.extension;
}

namespace {

// Characters as the system counts them when it converts an ANSI path.
std::size_t CharCount(std::string_view text, LeadByteTest isLead) {
    std::size_t chars = 0;
    for (std::size_t pos = 0; pos < text.size(); pos += CharLength(text, pos, isLead)) {
        ++chars;
    }
    return chars;
}

}  // namespace

bool AgentCanStore(std::string_view path, LeadByteTest isLead) {
    PathParts parts = SplitPath(path, isLead);
    if (parts.Empty() || (parts.name.empty() && parts.extension.empty())) {
        return false;
    }
    return CharCount(IncomingPath(parts), isLead) <= kMaxPathChars &&
           CharCount(BackupFolderPath(parts), isLead) <= kMaxFolderChars &&
           CharCount(BackupFolderPath(parts), isLead) + 1 <= kMaxTempFolderChars;
}

bool IsUnusableName(std::string_view path, LeadByteTest isLead) {
    if (path.size() >= 4 && IsSeparator(path[0]) && IsSeparator(path[1]) &&
        (path[2] == '?' || path[2] == '.') && IsSeparator(path[3])) {
        return true;
    }
    for (std::size_t pos = 0; pos < path.size();) {
        const std::size_t len = CharLength(path, pos, isLead);
        const auto byte = static_cast<unsigned char>(path[pos]);
        if (len == 1 && (byte < 0x20 ||
                         std::string_view("<>\"|?*").find(path[pos]) != std::string_view::npos)) {
            return true;
        }
        pos += len;
    }
    return false;
}

std::string FileDisplayName(std::string_view path, LeadByteTest isLead) {
    PathParts parts = SplitPath(path, isLead);
    return parts.name + parts.extension;
}

std::string DateText(int year, int month, int day) {
    return std::to_string(year) + "/" + std::to_string(month) + "/" + std::to_string(day);
}

}  // namespace sorel
