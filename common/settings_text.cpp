#include "settings_text.h"

#include "store_path.h"

#include <climits>

namespace sorel {

bool LineReader::ReadLine(std::string& value) {
    while (pos_ < bytes_.size() && (bytes_[pos_] == ' ' || bytes_[pos_] == '\t')) {
        ++pos_;
    }
    if (pos_ >= bytes_.size()) {
        return false;
    }
    std::size_t start = pos_;
    while (pos_ < bytes_.size()) {
        char c = bytes_[pos_];
        if (c == '\n' || c == '\r' || c == '\0') {
            break;
        }
        ++pos_;
    }
    // Blanks at the end go too: Windows drops them from a name, so a line
    // that kept them would name a file that no program can open. Neither is
    // ever the second byte of a double-byte character.
    std::size_t end = pos_;
    while (end > start && (bytes_[end - 1] == ' ' || bytes_[end - 1] == '\t')) {
        --end;
    }
    value.assign(bytes_.substr(start, end - start));
    if (pos_ < bytes_.size() && bytes_[pos_] == '\0') {
        // A NUL cannot be part of a path the system would accept. The rest of
        // that line is dropped, so that binary noise does not turn into
        // further entries.
        while (pos_ < bytes_.size() && bytes_[pos_] != '\n') {
            ++pos_;
        }
    }
    if (pos_ < bytes_.size() && bytes_[pos_] == '\r') {
        ++pos_;
    }
    if (pos_ < bytes_.size() && bytes_[pos_] == '\n') {
        ++pos_;
    }
    return true;
}

std::vector<std::string> ReadAllLines(std::string_view bytes) {
    std::vector<std::string> lines;
    LineReader reader(bytes);
    std::string value;
    while (!reader.AtEnd()) {
        if (reader.ReadLine(value)) {
            lines.push_back(value);
        }
    }
    return lines;
}

void WriteLine(std::string& out, std::string_view value) {
    out.append(value);
    out.append("\r\n");
}

std::string JoinLines(const std::vector<std::string>& lines) {
    std::string out;
    for (const std::string& line : lines) {
        WriteLine(out, line);
    }
    return out;
}

std::string HourTextOf(std::string_view headerLine) {
    if (headerLine.size() < 3) {
        return std::string(headerLine.substr(0, 2));
    }
    return std::string(headerLine.substr(headerLine.size() - 3, 2));
}

bool TimedStartFlagOf(std::string_view headerLine) {
    return !headerLine.empty() && headerLine.back() == '1';
}

int HourNumber(std::string_view hourText) {
    std::size_t i = 0;
    while (i < hourText.size() && (hourText[i] == ' ' || hourText[i] == '\t')) {
        ++i;
    }
    bool negative = false;
    if (i < hourText.size() && (hourText[i] == '+' || hourText[i] == '-')) {
        negative = hourText[i] == '-';
        ++i;
    }
    int value = 0;
    for (; i < hourText.size() && hourText[i] >= '0' && hourText[i] <= '9'; ++i) {
        int digit = hourText[i] - '0';
        value = value > (INT_MAX - digit) / 10 ? INT_MAX : value * 10 + digit;
    }
    return static_cast<int>(negative ? -value : value);
}

std::vector<std::string> WithDateLine(std::vector<std::string> lines, std::string_view date) {
    if (lines.empty()) {
        return lines;
    }
    if (lines.size() == 1) {
        lines.emplace_back(date);
    } else {
        lines[1] = std::string(date);
    }
    return lines;
}

std::string SettingsProgramPath(std::string_view headerLine) {
    std::size_t equals = headerLine.find('=');
    if (equals == std::string_view::npos) {
        return {};
    }
    std::string_view folder = headerLine.substr(0, equals);
    // Only a full path: a relative one would be taken from the agent's
    // current folder, which is nobody's choice.
    bool drive = folder.size() >= 3 && folder[1] == ':' && folder[2] == '\\' &&
                 ((folder[0] >= 'A' && folder[0] <= 'Z') || (folder[0] >= 'a' && folder[0] <= 'z'));
    bool network = folder.size() >= 3 && folder[0] == '\\' && folder[1] == '\\';
    if (!drive && !network) {
        return {};
    }
    // Whether the last character is a separator, not the second byte of 表.
    const bool endsInSeparator = LastSeparator(folder) == folder.size() - 1;
    return std::string(folder) + (endsInSeparator ? "" : "\\") + "Sorel.exe";
}

}  // namespace sorel
