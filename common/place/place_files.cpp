#include "place_files.h"

#include <vector>

namespace sorel {

namespace {

constexpr char kChoiceFirstLine[] = "Sorel place 1";
constexpr char kMarkerFirstLine[] = "Sorel marker 1";
constexpr std::size_t kMaxBytes = 4096;

struct Field {
    std::string_view key;
    std::string_view value;
};

// The "key<TAB>value" lines after `firstLine`; nothing when the first line
// is another or the text is too large to be ours.
bool ReadFields(std::string_view bytes, std::string_view firstLine, std::vector<Field>& fields) {
    if (bytes.size() > kMaxBytes) {
        return false;
    }
    bool first = true;
    while (!bytes.empty()) {
        std::size_t end = bytes.find('\n');
        std::string_view line = bytes.substr(0, end);
        bytes = end == std::string_view::npos ? std::string_view() : bytes.substr(end + 1);
        if (!line.empty() && line.back() == '\r') {
            line.remove_suffix(1);
        }
        if (first) {
            if (line != firstLine) {
                return false;
            }
            first = false;
            continue;
        }
        std::size_t tab = line.find('\t');
        if (tab != std::string_view::npos) {
            fields.push_back({line.substr(0, tab), line.substr(tab + 1)});
        }
    }
    return !first;
}

// A value may not hold a line end, a tab or a NUL: it would not read back.
bool Plain(std::string_view value) {
    for (char c : value) {
        if (c == '\r' || c == '\n' || c == '\t' || c == '\0') {
            return false;
        }
    }
    return true;
}

std::string Line(std::string_view key, std::string_view value) {
    return std::string(key) + "\t" + std::string(value) + "\r\n";
}

}  // namespace

bool IsPlaceIdentity(std::string_view identity) {
    constexpr std::string_view kShape = "{........-....-....-....-............}";
    if (identity.size() != kShape.size()) {
        return false;
    }
    for (std::size_t i = 0; i < identity.size(); ++i) {
        const char c = identity[i];
        if (kShape[i] != '.') {
            if (c != kShape[i]) {
                return false;
            }
        } else if (!((c >= '0' && c <= '9') || (c >= 'A' && c <= 'F') || (c >= 'a' && c <= 'f'))) {
            return false;
        }
    }
    return true;
}

std::string FormatPlaceChoice(const PlaceChoice& choice) {
    if (choice.Empty() || !Plain(choice.folder) || !IsPlaceIdentity(choice.identity) ||
        !Plain(choice.disk)) {
        return {};
    }
    return std::string(kChoiceFirstLine) + "\r\n" + Line("folder", choice.folder) +
           Line("identity", choice.identity) +
           (choice.disk.empty() ? std::string() : Line("disk", choice.disk));
}

PlaceChoice ParsePlaceChoice(std::string_view bytes) {
    std::vector<Field> fields;
    PlaceChoice choice;
    if (!ReadFields(bytes, kChoiceFirstLine, fields)) {
        return {};
    }
    for (const Field& field : fields) {
        if (field.key == "folder") {
            choice.folder = std::string(field.value);
        } else if (field.key == "identity") {
            choice.identity = std::string(field.value);
        } else if (field.key == "disk") {
            choice.disk = std::string(field.value);
        }
    }
    if (choice.Empty() || !IsPlaceIdentity(choice.identity)) {
        return {};
    }
    return choice;
}

std::string FormatPlaceMarker(const PlaceMarker& marker) {
    if (!IsPlaceIdentity(marker.identity) || !Plain(marker.computer) || !Plain(marker.user)) {
        return {};
    }
    return std::string(kMarkerFirstLine) + "\r\n" + Line("identity", marker.identity) +
           Line("computer", marker.computer) + Line("user", marker.user);
}

PlaceMarker ParsePlaceMarker(std::string_view bytes) {
    std::vector<Field> fields;
    PlaceMarker marker;
    if (!ReadFields(bytes, kMarkerFirstLine, fields)) {
        return {};
    }
    for (const Field& field : fields) {
        if (field.key == "identity") {
            marker.identity = std::string(field.value);
        } else if (field.key == "computer") {
            marker.computer = std::string(field.value);
        } else if (field.key == "user") {
            marker.user = std::string(field.value);
        }
    }
    if (!IsPlaceIdentity(marker.identity)) {
        return {};
    }
    return marker;
}

}  // namespace sorel
