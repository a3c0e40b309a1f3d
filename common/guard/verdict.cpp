#include "verdict.h"

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include "formats.h"

namespace sorel {

namespace {

// Below this many bytes a block's statistics cannot tell random bytes from
// ordinary ones.
constexpr std::size_t kJudgedBlockBytes = 512;
// The share of a file's sampled blocks that may be neither text nor random
// while the file still counts as text: a form feed, a Ctrl-Z or a stray
// control character spoil no more than their own block.
constexpr double kNonTextShare = 0.1;
// The blocks of the first look at generation 1, its head among them: under
// Wine a read of a file costs about 40 microseconds whatever its size, so
// random files, the commonest changed in bulk (pictures, archives, media),
// are let go after four.
constexpr std::size_t kGlanceBlocks = 4;

enum class BlockKind {
    kText,           // text in any of the encodings in use
    kBinary,         // anything else that is not random
    kRandom,         // random bytes: encrypted, or compressed
    kEncodedRandom,  // random bytes written as base64
};

bool LooksRandom(BlockKind kind) {
    return kind == BlockKind::kRandom || kind == BlockKind::kEncodedRandom;
}

// Random bytes: an entropy within a tenth of a bit of what random bytes of
// that many reach, and neighbouring bytes as far apart on average as
// independent ones are (a third of the range); pictures and sound come close
// in entropy but not in that.
bool IsRandomBlock(std::string_view block) {
    if (block.size() < kJudgedBlockBytes) {
        return false;
    }
    const double expected = 8 - 255 / (2 * static_cast<double>(block.size()) * std::log(2.0));
    if (ByteEntropy(block) < expected - 0.1) {
        return false;
    }
    double distance = 0;
    for (std::size_t i = 1; i < block.size(); ++i) {
        distance += std::abs(static_cast<unsigned char>(block[i]) -
                             static_cast<unsigned char>(block[i - 1]));
    }
    distance /= static_cast<double>(block.size() - 1);
    return distance > 75 && distance < 96;
}

bool IsBase64Byte(unsigned char b) {
    return (b >= 'A' && b <= 'Z') || (b >= 'a' && b <= 'z') || (b >= '0' && b <= '9') || b == '+' ||
           b == '/' || b == '=' || b == '\r' || b == '\n';
}

// Base64 of random bytes: nothing but its alphabet, all 64 letters in even
// use. Words, numbers and markup use far fewer, or other characters too.
bool IsEncodedRandomBlock(std::string_view block) {
    if (block.size() < kJudgedBlockBytes) {
        return false;
    }
    const std::size_t outside =
        static_cast<std::size_t>(std::count_if(block.begin(), block.end(), [](char c) {
            return !IsBase64Byte(static_cast<unsigned char>(c));
        }));
    return outside * 100 <= block.size() && ByteEntropy(block) >= 5.6;
}

// A control character that text of any kind may hold: tab, the line ends,
// form feed, Ctrl-Z (an end-of-file mark of old) and escape (JIS).
bool TextControl(std::uint32_t c) {
    return c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r' || c == 0x1A || c == 0x1B;
}

// Text in a single- or multi-byte code page (Shift-JIS, UTF-8, any ANSI
// code page), judged by the share of other control bytes.
bool IsByteText(std::string_view block) {
    std::size_t wrong = 0;
    for (char c : block) {
        const unsigned char b = static_cast<unsigned char>(c);
        wrong += (b < 0x20 && !TextControl(b)) || b == 0x7F;
    }
    return wrong * 50 <= block.size();
}

// UTF-16 text in either byte order, with or without a byte-order mark:
// few other control characters, and few distinct high bytes, as the
// characters of any language lie in a few ranges. Random pairs use nearly
// all 256.
bool IsWideText(std::string_view block, bool bigEndian) {
    const std::size_t units = block.size() / 2;
    if (units == 0) {
        return false;
    }
    bool high[256] = {};
    std::size_t distinct = 0, wrong = 0;
    for (std::size_t i = 0; i < units; ++i) {
        const std::uint32_t first = static_cast<unsigned char>(block[2 * i]);
        const std::uint32_t second = static_cast<unsigned char>(block[2 * i + 1]);
        const std::uint32_t unit = bigEndian ? first << 8 | second : second << 8 | first;
        const std::uint32_t top = unit >> 8;
        distinct += !high[top];
        high[top] = true;
        wrong += (unit < 0x20 && !TextControl(unit)) || unit == 0xFFFF;
    }
    return distinct <= 96 && wrong * 50 <= units;
}

BlockKind Classify(std::string_view block) {
    if (IsRandomBlock(block)) {
        return BlockKind::kRandom;
    }
    if (IsEncodedRandomBlock(block)) {
        return BlockKind::kEncodedRandom;
    }
    if (IsByteText(block) || IsWideText(block, false) || IsWideText(block, true)) {
        return BlockKind::kText;
    }
    return BlockKind::kBinary;
}

// The kinds of the sampled blocks, in file order. False when the file
// cannot be read.
bool SampleBlocks(GuardSource& file, std::vector<BlockKind>& kinds,
                  std::size_t count = kGuardSampledBlocks) {
    const std::uint64_t size = file.Size();
    const std::uint64_t blocks = std::min<std::uint64_t>(
        count, std::max<std::uint64_t>(1, (size + kGuardBlockBytes - 1) / kGuardBlockBytes));
    std::string block;
    kinds.clear();
    for (std::uint64_t i = 0; i < blocks; ++i) {
        // Even offsets keep UTF-16 in step; the last block ends the file.
        std::uint64_t offset = blocks == 1 ? 0 : i * (size - kGuardBlockBytes) / (blocks - 1);
        offset &= ~std::uint64_t{1};
        if (!file.Read(offset, kGuardBlockBytes, block)) {
            return false;
        }
        kinds.push_back(Classify(block));
    }
    return true;
}

std::size_t CountOf(const std::vector<BlockKind>& kinds, bool (*match)(BlockKind)) {
    return static_cast<std::size_t>(std::count_if(kinds.begin(), kinds.end(), match));
}

bool IsText(const std::vector<BlockKind>& kinds) {
    const std::size_t random = CountOf(kinds, [](BlockKind k) { return k == BlockKind::kRandom; });
    const std::size_t binary = CountOf(kinds, [](BlockKind k) { return k == BlockKind::kBinary; });
    return random == 0 && binary <= kNonTextShare * kinds.size();
}

// By the bytes alone, for files without a structure to check (or whose
// generation 1 was not valid in its format).
// A glance at generation 1 (`head` and a few blocks spread after it): random
// nearly throughout (compressed, or encrypted by its own program), it tells
// nothing, and is read no further.
bool LooksRandomThroughout(GuardSource& generation1, std::string_view head) {
    const std::uint64_t size = generation1.Size();
    std::size_t random = LooksRandom(Classify(head)), looked = 1;
    std::string block;
    for (std::size_t k = 1; k < kGlanceBlocks && size > kGuardBlockBytes; ++k, ++looked) {
        const std::uint64_t offset = k * (size - kGuardBlockBytes) / (kGlanceBlocks - 1);
        if (!generation1.Read(offset & ~std::uint64_t{1}, kGuardBlockBytes, block)) {
            return true;  // unreadable: no verdict either
        }
        random += LooksRandom(Classify(block));
    }
    return random * 4 >= looked * 3;
}

bool BytesSuspect(GuardSource& generation1, std::string_view head, GuardSource& fresh) {
    std::vector<BlockKind> before, after;
    if (LooksRandomThroughout(generation1, head) || !SampleBlocks(generation1, before)) {
        return false;
    }
    const std::size_t randomBefore = CountOf(before, LooksRandom);
    auto encoded = [](BlockKind k) { return k == BlockKind::kEncodedRandom; };
    if (!IsText(before) && randomBefore * 2 >= before.size()) {
        // Random already (compressed, or encrypted by its own program): its
        // bytes tell nothing of a change.
        return false;
    }
    if (!SampleBlocks(fresh, after)) {
        return false;
    }
    if (IsText(before)) {
        // Text stays text: base64 of random bytes where there was none,
        // random blocks or more than a few binary ones are something else.
        return !IsText(after) ||
               (CountOf(after, encoded) * 2 >= after.size() && CountOf(before, encoded) == 0);
    }
    // Blocks random now where generation 1's at the same place in the file
    // were not: one may be a picture pasted in, two are encryption.
    std::size_t newlyRandom = 0;
    for (std::size_t i = 0; i < after.size(); ++i) {
        const std::size_t at = after.size() == 1 ? 0 : i * (before.size() - 1) / (after.size() - 1);
        newlyRandom += LooksRandom(after[i]) && !LooksRandom(before[at]);
    }
    return newlyRandom >= 2 || (newlyRandom == 1 && after.size() < 8);
}

bool PasswordChanged(GuardFormat before, const FormatLook& lookBefore, GuardFormat after,
                     const FormatLook& lookAfter) {
    return (before == GuardFormat::kZip && after == GuardFormat::kOle2 &&
            lookAfter.encryptedPackage) ||
           (before == GuardFormat::kOle2 && lookBefore.encryptedPackage &&
            after == GuardFormat::kZip);
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

bool ContentSuspect(GuardSource& generation1, GuardSource& fresh) {
    if (generation1.Size() == 0) {
        return false;
    }
    if (fresh.Size() == 0) {
        return true;  // wiped
    }
    // The new content's head is read only when generation 1's format needs
    // it: every read of a file costs about as much as a few kilobytes more.
    std::string headBefore, headAfter;
    if (!generation1.Read(0, kGuardBlockBytes, headBefore)) {
        return false;
    }
    const GuardFormat before = FormatOf(headBefore);
    if (before != GuardFormat::kNone) {
        if (!fresh.Read(0, kGuardBlockBytes, headAfter)) {
            return false;
        }
        const GuardFormat after = FormatOf(headAfter);
        const FormatLook lookBefore = CheckFormat(before, generation1);
        const FormatLook lookAfter =
            after == GuardFormat::kNone ? FormatLook{} : CheckFormat(after, fresh);
        if (lookAfter.valid && PasswordChanged(before, lookBefore, after, lookAfter)) {
            return false;
        }
        if (after != before) {
            return true;  // its signature is gone
        }
        if (lookBefore.valid) {
            // Valid in the same format is an edit; RTF is text as well.
            return !lookAfter.valid ||
                   (before == GuardFormat::kRtf && BytesSuspect(generation1, headBefore, fresh));
        }
    }
    return BytesSuspect(generation1, headBefore, fresh);
}

bool ContentSuspect(std::string_view generation1, std::string_view fresh) {
    StringSource before(generation1), after(fresh);
    return ContentSuspect(before, after);
}

}  // namespace sorel
