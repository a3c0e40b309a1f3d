#include "manifest.h"

#include <algorithm>

namespace sorel {

namespace {

constexpr std::string_view kFirstLine = "Sorel manifest 1";
constexpr std::size_t kMaxBytes = 1 << 20;

bool PlainName(std::string_view name) {
    return !name.empty() && name.find_first_of(std::string_view("\r\n\t\0", 4)) == name.npos;
}

bool Decimal(std::string_view text, std::uint64_t& value) {
    if (text.empty()) {
        return false;
    }
    std::uint64_t read = 0;
    for (char c : text) {
        const unsigned digit = static_cast<unsigned>(c - '0');
        if (digit > 9 || read > (UINT64_MAX - digit) / 10) {
            return false;
        }
        read = read * 10 + digit;
    }
    value = read;
    return true;
}

// The next field up to a tab, taken off the front of `line`.
std::string_view Field(std::string_view& line) {
    const std::size_t tab = line.find('\t');
    const std::string_view field = line.substr(0, tab);
    line = tab == line.npos ? std::string_view() : line.substr(tab + 1);
    return field;
}

bool ReadEntry(std::string_view line, ManifestEntry& entry) {
    const std::string_view hash = Field(line);
    const std::string_view size = Field(line);
    const std::string_view written = Field(line);
    const std::string_view state = Field(line);
    if (!ParseHashText(hash, entry.hash) || !Decimal(size, entry.size) ||
        !Decimal(written, entry.written) || (state != "ok" && state != "damaged") ||
        !PlainName(line)) {
        return false;
    }
    entry.damaged = state == "damaged";
    entry.name = std::string(line);
    return true;
}

}  // namespace

std::string FormatManifest(const std::vector<ManifestEntry>& entries) {
    std::string text = std::string(kFirstLine) + "\r\n";
    for (const ManifestEntry& entry : entries) {
        if (PlainName(entry.name)) {
            text += HashText(entry.hash) + "\t" + std::to_string(entry.size) + "\t" +
                    std::to_string(entry.written) + (entry.damaged ? "\tdamaged\t" : "\tok\t") +
                    entry.name + "\r\n";
        }
    }
    return text;
}

std::vector<ManifestEntry> ParseManifest(std::string_view bytes) {
    std::vector<ManifestEntry> entries;
    if (bytes.size() > kMaxBytes) {
        return entries;
    }
    bool first = true;
    // Only whole lines: a name cut off with its line would be another name.
    for (std::size_t end; (end = bytes.find('\n')) != bytes.npos; bytes.remove_prefix(end + 1)) {
        std::string_view line = bytes.substr(0, end);
        if (!line.empty() && line.back() == '\r') {
            line.remove_suffix(1);
        }
        ManifestEntry entry;
        if (first) {
            if (line != kFirstLine) {
                return entries;
            }
            first = false;
        } else if (ReadEntry(line, entry)) {
            PutEntry(entries, std::move(entry));
        }
    }
    return entries;
}

const ManifestEntry* FindEntry(const std::vector<ManifestEntry>& entries, std::string_view name) {
    for (const ManifestEntry& entry : entries) {
        if (entry.name == name) {
            return &entry;
        }
    }
    return nullptr;
}

void PutEntry(std::vector<ManifestEntry>& entries, ManifestEntry entry) {
    for (ManifestEntry& present : entries) {
        if (present.name == entry.name) {
            present = std::move(entry);
            return;
        }
    }
    entries.push_back(std::move(entry));
}

void KeepOnly(std::vector<ManifestEntry>& entries, const std::vector<std::string>& present) {
    entries.erase(std::remove_if(entries.begin(), entries.end(),
                                 [&](const ManifestEntry& entry) {
                                     return std::find(present.begin(), present.end(), entry.name) ==
                                            present.end();
                                 }),
                  entries.end());
}

}  // namespace sorel
