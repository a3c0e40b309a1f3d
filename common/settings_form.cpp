#include "settings_form.h"

#include <cstddef>

namespace sorel {

namespace {

constexpr std::string_view kUtf8Mark = "\xEF\xBB\xBF";
constexpr std::string_view kUtf16LeMark = "\xFF\xFE";
constexpr std::string_view kUtf16BeMark = "\xFE\xFF";

bool StartsWith(std::string_view bytes, std::string_view prefix) {
    return bytes.substr(0, prefix.size()) == prefix;
}

// NUL bytes at odd positions (LE) or even positions (BE) and nowhere else,
// in at least a quarter of the pairs: ASCII text in UTF-16 has one in every
// pair. A stray NUL in an ANSI file does not make it UTF-16.
SettingsForm GuessUtf16(std::string_view bytes) {
    if (bytes.size() < 4 || bytes.size() % 2 != 0) {
        return SettingsForm::kAnsi;
    }
    std::size_t even = 0;
    std::size_t odd = 0;
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        if (bytes[i] == '\0') {
            ++(i % 2 == 0 ? even : odd);
        }
    }
    const std::size_t pairs = bytes.size() / 2;
    if (even == 0 && odd * 4 >= pairs) {
        return SettingsForm::kUtf16Le;
    }
    if (odd == 0 && even * 4 >= pairs) {
        return SettingsForm::kUtf16Be;
    }
    return SettingsForm::kAnsi;
}

std::u16string Utf16Units(std::string_view bytes, bool bigEndian) {
    std::u16string units;
    for (std::size_t i = 0; i + 1 < bytes.size(); i += 2) {
        auto first = static_cast<unsigned char>(bytes[i]);
        auto second = static_cast<unsigned char>(bytes[i + 1]);
        units.push_back(
            static_cast<char16_t>(bigEndian ? (first << 8) | second : (second << 8) | first));
    }
    return units;
}

// Decodes UTF-8; a broken sequence becomes U+FFFD and clears `exact`.
std::u16string Utf8Units(std::string_view bytes, bool& exact) {
    std::u16string units;
    std::size_t i = 0;
    while (i < bytes.size()) {
        auto lead = static_cast<unsigned char>(bytes[i]);
        std::size_t length = lead < 0x80                   ? 1
                             : lead >= 0xC2 && lead < 0xE0 ? 2
                             : lead >= 0xE0 && lead < 0xF0 ? 3
                             : lead >= 0xF0 && lead < 0xF5 ? 4
                                                           : 0;
        char32_t code = length == 1   ? lead
                        : length == 2 ? lead & 0x1F
                        : length == 3 ? lead & 0x0F
                                      : lead & 0x07;
        bool ok = length != 0 && i + length <= bytes.size();
        for (std::size_t k = 1; ok && k < length; ++k) {
            auto next = static_cast<unsigned char>(bytes[i + k]);
            ok = (next & 0xC0) == 0x80;
            code = (code << 6) | (next & 0x3F);
        }
        // Overlong forms, surrogates and values past U+10FFFF are not text.
        ok = ok && !(length == 3 && code < 0x800) && !(length == 4 && code < 0x10000) &&
             !(code >= 0xD800 && code < 0xE000) && code <= 0x10FFFF;
        if (!ok) {
            exact = false;
            units.push_back(u'\uFFFD');
            ++i;
            continue;
        }
        if (code >= 0x10000) {
            code -= 0x10000;
            units.push_back(static_cast<char16_t>(0xD800 + (code >> 10)));
            units.push_back(static_cast<char16_t>(0xDC00 + (code & 0x3FF)));
        } else {
            units.push_back(static_cast<char16_t>(code));
        }
        i += length;
    }
    return units;
}

}  // namespace

SettingsForm DetectSettingsForm(std::string_view bytes) {
    if (StartsWith(bytes, kUtf8Mark)) {
        return SettingsForm::kUtf8;
    }
    if (StartsWith(bytes, kUtf16LeMark)) {
        return SettingsForm::kUtf16Le;
    }
    if (StartsWith(bytes, kUtf16BeMark)) {
        return SettingsForm::kUtf16Be;
    }
    return GuessUtf16(bytes);
}

SettingsText SettingsTextOf(std::string_view bytes, WideToAnsi convert) {
    SettingsText text;
    text.form = DetectSettingsForm(bytes);
    std::u16string units;
    switch (text.form) {
        case SettingsForm::kAnsi:
            text.bytes.assign(bytes);
            // The line reader ends a value at a NUL and drops the rest of its
            // line: those bytes are not read.
            text.exact = bytes.find('\0') == std::string_view::npos;
            return text;
        case SettingsForm::kUtf8:
            units = Utf8Units(bytes.substr(kUtf8Mark.size()), text.exact);
            break;
        case SettingsForm::kUtf16Le:
        case SettingsForm::kUtf16Be: {
            const bool marked = StartsWith(bytes, kUtf16LeMark) || StartsWith(bytes, kUtf16BeMark);
            const std::string_view body = bytes.substr(marked ? 2 : 0);
            text.exact = body.size() % 2 == 0;
            units = Utf16Units(body, text.form == SettingsForm::kUtf16Be);
            break;
        }
    }
    if (units.find(u'\0') != std::u16string::npos) {
        text.exact = false;
    }
    std::string ansi;
    if (!convert(units, ansi)) {
        text.exact = false;
    }
    text.bytes = std::move(ansi);
    return text;
}

bool KeepBeforeRewrite(const SettingsText& text) {
    return text.form != SettingsForm::kAnsi || !text.exact;
}

}  // namespace sorel
