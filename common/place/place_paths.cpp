#include "place_paths.h"

namespace sorel {

namespace {

char Upper(char c) {
    return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
}

bool IsDriveLetter(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

// Where the backslash that ends the part starting at `from` stands, or the
// text's end; a lead byte takes its trail byte with it.
std::size_t PartEnd(std::string_view path, std::size_t from, LeadByteTest isLead) {
    std::size_t i = from;
    while (i < path.size() && path[i] != '\\') {
        i += isLead(static_cast<unsigned char>(path[i])) && i + 1 < path.size() ? 2 : 1;
    }
    return i;
}

// Where the last character of `text` begins.
std::size_t LastCharStart(std::string_view text, LeadByteTest isLead) {
    std::size_t last = 0;
    for (std::size_t i = 0; i < text.size();) {
        last = i;
        i += isLead(static_cast<unsigned char>(text[i])) && i + 1 < text.size() ? 2 : 1;
    }
    return last;
}

}  // namespace

std::string PlaceFolderText(std::string_view typed, LeadByteTest isLead) {
    auto blank = [](char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; };
    while (!typed.empty() && blank(typed.front())) {
        typed.remove_prefix(1);
    }
    while (!typed.empty() && blank(typed.back())) {
        typed.remove_suffix(1);
    }
    if (typed.size() >= 2 && typed.front() == '"' && typed.back() == '"') {
        typed = typed.substr(1, typed.size() - 2);
    }
    std::string folder;
    for (std::size_t i = 0; i < typed.size(); ++i) {
        const char c = typed[i];
        if (isLead(static_cast<unsigned char>(c)) && i + 1 < typed.size()) {
            folder += c;
            folder += typed[++i];
        } else {
            folder += c == '/' ? '\\' : c;
        }
    }
    // Trailing backslashes go, but never a trail byte that looks like one.
    while (!folder.empty() && folder.back() == '\\' &&
           LastCharStart(folder, isLead) == folder.size() - 1) {
        folder.pop_back();
    }
    if (folder.size() >= 2 && IsDriveLetter(folder[0]) && folder[1] == ':') {
        if (folder.size() > 2 && folder[2] != '\\') {
            return {};  // "E:dir" is relative to the drive's current folder
        }
        return folder;
    }
    return ShareRoot(folder, isLead).empty() ? std::string() : folder;
}

std::string ShareRoot(std::string_view path, LeadByteTest isLead) {
    if (path.size() < 5 || path[0] != '\\' || path[1] != '\\' || path[2] == '\\') {
        return {};
    }
    const std::size_t serverEnd = PartEnd(path, 2, isLead);
    if (serverEnd >= path.size()) {
        return {};
    }
    const std::size_t shareEnd = PartEnd(path, serverEnd + 1, isLead);
    if (shareEnd == serverEnd + 1) {
        return {};
    }
    // "\\?\" and "\\.\" name devices, not shares.
    const std::string_view server = path.substr(2, serverEnd - 2);
    if (server == "?" || server == ".") {
        return {};
    }
    std::string root;
    for (std::size_t i = 0; i < shareEnd; ++i) {
        if (isLead(static_cast<unsigned char>(path[i])) && i + 1 < shareEnd) {
            root += path[i];
            root += path[++i];
        } else {
            root += Upper(path[i]);
        }
    }
    return root;
}

}  // namespace sorel
