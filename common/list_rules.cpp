#include "list_rules.h"

#include <limits>

namespace sorel {

namespace {

char AsciiLower(char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

bool EndsWithIgnoringAsciiCase(std::string_view text, std::string_view tail) {
    if (text.size() < tail.size()) {
        return false;
    }
    std::string_view end = text.substr(text.size() - tail.size());
    for (std::size_t i = 0; i < tail.size(); ++i) {
        if (AsciiLower(end[i]) != AsciiLower(tail[i])) {
            return false;
        }
    }
    return true;
}

// One character of a code page 932 text, with its letter case folded: a
// single byte, or a lead byte with its trail byte.
struct FoldedChar {
    unsigned char first;
    int second;  // -1 for a single-byte character
    bool operator==(const FoldedChar& o) const { return first == o.first && second == o.second; }
};

FoldedChar NextFolded(std::string_view text, std::size_t& pos, LeadByteTest isLead) {
    auto first = static_cast<unsigned char>(text[pos]);
    if (isLead(first) && pos + 1 < text.size() && text[pos + 1] != '\0') {
        auto second = static_cast<unsigned char>(text[pos + 1]);
        pos += 2;
        // Full-width Ａ to Ｚ are 0x82 0x60 to 0x82 0x79; ａ to ｚ 0x82 0x81 to 0x82 0x9A.
        if (first == 0x82 && second >= 0x60 && second <= 0x79) {
            second = static_cast<unsigned char>(second + 0x21);
        }
        return {first, second};
    }
    ++pos;
    return {static_cast<unsigned char>(AsciiLower(static_cast<char>(first))), -1};
}

}  // namespace

DropVerdict CheckDroppedPath(std::string_view path, bool isFolder) {
    // The dot can never be the second byte of a double-byte character, so
    // the last four bytes are a whole ".lnk" whenever they spell it.
    if (!isFolder && EndsWithIgnoringAsciiCase(path, ".lnk")) {
        return DropVerdict::kShortcut;
    }
    if (!isFolder && EndsWithIgnoringAsciiCase(path, ".url")) {
        return DropVerdict::kInternetShortcut;
    }
    if (isFolder) {
        return DropVerdict::kFolder;
    }
    return DropVerdict::kAccept;
}

std::string_view ResolvedName(std::string_view path) {
    // Neither byte is ever the second byte of a double-byte character.
    while (!path.empty() && (path.back() == '.' || path.back() == ' ')) {
        path.remove_suffix(1);
    }
    return path;
}

bool SameLineText(std::string_view a, std::string_view b, LeadByteTest isLead) {
    a = ResolvedName(a);
    b = ResolvedName(b);
    std::size_t i = 0;
    std::size_t j = 0;
    while (i < a.size() && j < b.size()) {
        if (!(NextFolded(a, i, isLead) == NextFolded(b, j, isLead))) {
            return false;
        }
    }
    return i == a.size() && j == b.size();
}

bool IsListedLine(const std::vector<std::string>& lines, std::string_view lineText,
                  LeadByteTest isLead) {
    for (const std::string& line : lines) {
        if (SameLineText(line, lineText, isLead)) {
            return true;
        }
    }
    return false;
}

std::uint64_t BackupSeconds(std::uint64_t totalBytes) {
    // 0.9 s per 10^6 bytes is 9 s per 10^7 bytes; split so nothing overflows.
    constexpr std::uint64_t kUnit = 10'000'000;
    return totalBytes / kUnit * 9 + totalBytes % kUnit * 9 / kUnit;
}

EstimateTexts Estimate(const std::vector<std::optional<std::uint64_t>>& sizes) {
    if (sizes.empty()) {
        return {"0", "0"};
    }
    std::uint64_t total = 0;
    for (const auto& size : sizes) {
        if (size) {
            std::uint64_t room = std::numeric_limits<std::uint64_t>::max() - total;
            total += *size < room ? *size : room;
        }
    }
    std::uint64_t seconds = BackupSeconds(total);
    return {seconds == 0 ? std::string("１秒以下") : std::to_string(seconds),
            std::to_string(sizes.size())};
}

}  // namespace sorel
