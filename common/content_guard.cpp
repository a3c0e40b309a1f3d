#include "content_guard.h"

namespace sorel {

namespace {

constexpr char kAcceptedFirstLine[] = "Sorel accepted 1";
// The file holds a handful of lines; a larger one is not ours.
constexpr std::size_t kMaxAcceptedBytes = 64 * 1024;

bool ReadNumber(std::string_view text, std::uint64_t& value) {
    if (text.empty() || text.size() > 19) {
        return false;
    }
    value = 0;
    for (char c : text) {
        if (c < '0' || c > '9') {
            return false;
        }
        value = value * 10 + static_cast<std::uint64_t>(c - '0');
    }
    return true;
}

}  // namespace

std::string FormatAcceptedStates(const std::vector<AcceptedState>& states) {
    std::string text = std::string(kAcceptedFirstLine) + "\r\n";
    for (const AcceptedState& state : states) {
        text += std::to_string(state.lastWrite) + "\t" + std::to_string(state.size) + "\t" +
                state.path + "\r\n";
    }
    return text;
}

std::vector<AcceptedState> ParseAcceptedStates(std::string_view bytes) {
    std::vector<AcceptedState> states;
    if (bytes.size() > kMaxAcceptedBytes) {
        return states;
    }
    std::size_t start = 0;
    bool first = true;
    while (start < bytes.size()) {
        std::size_t end = bytes.find('\n', start);
        std::string_view line = bytes.substr(
            start, end == std::string_view::npos ? std::string_view::npos : end - start);
        start = end == std::string_view::npos ? bytes.size() : end + 1;
        if (!line.empty() && line.back() == '\r') {
            line.remove_suffix(1);
        }
        if (first) {
            if (line != kAcceptedFirstLine) {
                return states;
            }
            first = false;
            continue;
        }
        const std::size_t tab1 = line.find('\t');
        const std::size_t tab2 = tab1 == std::string_view::npos ? tab1 : line.find('\t', tab1 + 1);
        AcceptedState state;
        if (tab2 == std::string_view::npos || !ReadNumber(line.substr(0, tab1), state.lastWrite) ||
            !ReadNumber(line.substr(tab1 + 1, tab2 - tab1 - 1), state.size) ||
            tab2 + 1 >= line.size() || line.find('\0') != std::string_view::npos) {
            continue;
        }
        state.path = std::string(line.substr(tab2 + 1));
        states.push_back(std::move(state));
    }
    return states;
}

}  // namespace sorel
