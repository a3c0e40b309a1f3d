#include "content_guard.h"

#include <cmath>

namespace sorel {

namespace {

constexpr std::size_t kTextSampleBytes = 4096;
constexpr double kRandomEntropy = 7.9;
constexpr double kOrdinaryEntropy = 7.0;
constexpr char kAcceptedFirstLine[] = "Sorel accepted 1";
// The file holds a handful of lines; a larger one is not ours.
constexpr std::size_t kMaxAcceptedBytes = 64 * 1024;

struct Signature {
    std::size_t offset;
    std::string_view bytes;
};

using namespace std::string_view_literals;

constexpr Signature kSignatures[] = {
    {0, "\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1"sv},  // OLE2: .xls, .doc, .msg
    {0, "PK\x03\x04"sv},                        // ZIP: .docx, .xlsx, .zip
    {0, "%PDF"sv},
    {0, "\x89PNG"sv},
    {0, "\xFF\xD8\xFF"sv},  // JPEG
    {4, "Standard Jet DB"sv},
    {4, "Standard ACE DB"sv},
    {0, "\xEF\xBB\xBF"sv},  // UTF-8 byte-order mark
    {0, "\xFF\xFE"sv},      // UTF-16 byte-order marks
    {0, "\xFE\xFF"sv},
};

bool HasSignature(std::string_view bytes, const Signature& signature) {
    return bytes.size() >= signature.offset + signature.bytes.size() &&
           bytes.substr(signature.offset, signature.bytes.size()) == signature.bytes;
}

// No control character but tab, CR and LF: plain text in any single- or
// multi-byte code page whose bytes after the first are never below 0x20,
// Shift-JIS and UTF-8 among them. An empty file tells nothing.
bool LooksLikeText(std::string_view bytes) {
    if (bytes.empty()) {
        return false;
    }
    for (char c : bytes.substr(0, kTextSampleBytes)) {
        const unsigned char b = static_cast<unsigned char>(c);
        if (b < 0x20 && b != '\t' && b != '\r' && b != '\n') {
            return false;
        }
    }
    return true;
}

bool LostSignature(std::string_view before, std::string_view after) {
    for (const Signature& signature : kSignatures) {
        if (HasSignature(before, signature) && !HasSignature(after, signature)) {
            return true;
        }
    }
    return LooksLikeText(before) && !LooksLikeText(after);
}

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

double ByteEntropy(std::string_view bytes) {
    if (bytes.empty()) {
        return 0;
    }
    std::size_t counts[256] = {};
    for (char c : bytes) {
        ++counts[static_cast<unsigned char>(c)];
    }
    const double total = static_cast<double>(bytes.size());
    double entropy = 0;
    for (std::size_t count : counts) {
        if (count != 0) {
            const double p = static_cast<double>(count) / total;
            entropy -= p * std::log2(p);
        }
    }
    return entropy;
}

bool ContentSuspect(std::string_view generation1, std::string_view fresh) {
    const std::string_view before = generation1.substr(0, kGuardSampleBytes);
    const std::string_view after = fresh.substr(0, kGuardSampleBytes);
    // An empty generation 1 (a file made empty, then filled) has nothing to
    // compare with.
    if (before.empty()) {
        return false;
    }
    if (LostSignature(before, after)) {
        return true;
    }
    return ByteEntropy(after) >= kRandomEntropy && ByteEntropy(before) < kOrdinaryEntropy;
}

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
