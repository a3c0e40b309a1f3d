#include "formats.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace sorel {

namespace {

using namespace std::string_view_literals;

// How many pieces of a structure a check looks at: enough that striped or
// partial encryption hits one of them, few enough that a check stays a
// handful of small reads.
constexpr std::size_t kSampledParts = 16;
constexpr std::size_t kMaxDirectoryBytes = 64 * 1024;
constexpr std::size_t kMaxChainLinks = 4096;
constexpr std::uint64_t kMaxCheckedChunk = 128 * 1024;

std::uint32_t Byte(std::string_view b, std::size_t at) {
    return static_cast<unsigned char>(b[at]);
}
std::uint32_t Le16(std::string_view b, std::size_t at) {
    return Byte(b, at) | Byte(b, at + 1) << 8;
}
std::uint32_t Le32(std::string_view b, std::size_t at) {
    return Le16(b, at) | Le16(b, at + 2) << 16;
}
std::uint64_t Le64(std::string_view b, std::size_t at) {
    return Le32(b, at) | std::uint64_t{Le32(b, at + 4)} << 32;
}
std::uint32_t Be16(std::string_view b, std::size_t at) {
    return Byte(b, at) << 8 | Byte(b, at + 1);
}
std::uint32_t Be32(std::string_view b, std::size_t at) {
    return Be16(b, at) << 16 | Be16(b, at + 2);
}

// Exactly `length` bytes at `offset`, which must lie within the file.
bool ReadExactly(GuardSource& file, std::uint64_t offset, std::size_t length, std::string& out) {
    const std::uint64_t size = file.Size();
    return offset <= size && length <= size - offset && file.Read(offset, length, out) &&
           out.size() == length;
}

// Up to `length` bytes at `offset`, fewer at the end of the file.
bool ReadUpTo(GuardSource& file, std::uint64_t offset, std::size_t length, std::string& out) {
    const std::uint64_t size = file.Size();
    if (offset > size) {
        return false;
    }
    return ReadExactly(file, offset,
                       static_cast<std::size_t>(std::min<std::uint64_t>(length, size - offset)),
                       out);
}

bool StartsWith(std::string_view bytes, std::string_view prefix) {
    return bytes.substr(0, prefix.size()) == prefix;
}

// The indexes of up to kSampledParts of `count` parts, spread evenly, the
// first and the last among them.
template <typename Visit>
bool ForSpread(std::size_t count, Visit visit) {
    const std::size_t picks = std::min(count, kSampledParts);
    for (std::size_t i = 0; i < picks; ++i) {
        const std::size_t index = picks == 1 ? 0 : i * (count - 1) / (picks - 1);
        if (!visit(index)) {
            return false;
        }
    }
    return true;
}

// ZIP: the end-of-central-directory record (or its ZIP64 form), a central
// directory of whole entries where it says, and local headers of the same
// names where the entries put them, for entries spread over the archive.
bool ZipValid(GuardSource& file) {
    const std::uint64_t size = file.Size();
    if (size < 22) {
        return false;
    }
    const std::size_t tailLength =
        static_cast<std::size_t>(std::min<std::uint64_t>(size, 22 + 65535));
    const std::uint64_t tailStart = size - tailLength;
    std::string tail;
    if (!ReadExactly(file, tailStart, tailLength, tail)) {
        return false;
    }
    std::size_t end = tail.rfind("PK\x05\x06"sv);
    while (end != std::string::npos &&
           (end + 22 > tail.size() || end + 22 + Le16(tail, end + 20) > tail.size())) {
        end = end == 0 ? std::string::npos : tail.rfind("PK\x05\x06"sv, end - 1);
    }
    if (end == std::string::npos) {
        return false;
    }
    std::uint64_t entries = Le16(tail, end + 10);
    std::uint64_t directorySize = Le32(tail, end + 12);
    std::uint64_t directoryOffset = Le32(tail, end + 16);
    std::uint64_t directoryLimit = tailStart + end;
    if (entries == 0xFFFF || directorySize == 0xFFFFFFFF || directoryOffset == 0xFFFFFFFF) {
        std::string zip64;
        if (end < 20 || Le32(tail, end - 20) != 0x07064B50 ||
            !ReadExactly(file, Le64(tail, end - 12), 56, zip64) ||
            !StartsWith(zip64, "PK\x06\x06"sv)) {
            return false;
        }
        directoryLimit = Le64(tail, end - 12);
        entries = Le64(zip64, 32);
        directorySize = Le64(zip64, 40);
        directoryOffset = Le64(zip64, 48);
    }
    if (directorySize > directoryLimit || directoryOffset > directoryLimit - directorySize) {
        return false;
    }
    // Bytes before the archive (a self-extractor's program) shift every offset.
    const std::uint64_t base = directoryLimit - directorySize - directoryOffset;
    if (entries == 0) {
        return directorySize == 0;
    }
    std::string directory;
    if (!ReadExactly(
            file, base + directoryOffset,
            static_cast<std::size_t>(std::min<std::uint64_t>(directorySize, kMaxDirectoryBytes)),
            directory)) {
        return false;
    }
    struct Entry {
        std::size_t at;
        std::uint64_t local;
        std::uint64_t packed;
    };
    std::vector<Entry> parsed;
    std::size_t at = 0;
    while (parsed.size() < entries && at + 46 <= directory.size()) {
        if (!StartsWith(directory.substr(at), "PK\x01\x02"sv)) {
            return false;
        }
        parsed.push_back({at, Le32(directory, at + 42), Le32(directory, at + 20)});
        at += 46 + Le16(directory, at + 28) + Le16(directory, at + 30) + Le16(directory, at + 32);
    }
    // A directory read whole holds exactly the entries the record counts.
    if (directorySize <= kMaxDirectoryBytes &&
        (parsed.size() != entries || at != directory.size())) {
        return false;
    }
    return ForSpread(parsed.size(), [&](std::size_t i) {
        const Entry& entry = parsed[i];
        if (entry.local == 0xFFFFFFFF) {
            return true;  // in a ZIP64 extra field; not followed
        }
        const std::size_t nameLength = Le16(directory, entry.at + 28);
        std::string local;
        if (entry.local >= directoryOffset ||
            !ReadExactly(file, base + entry.local, 30 + nameLength, local) ||
            !StartsWith(local, "PK\x03\x04"sv) || Le16(local, 26) != nameLength ||
            local.compare(30, nameLength, directory, entry.at + 46, nameLength) != 0) {
            return false;
        }
        return entry.packed == 0xFFFFFFFF ||
               entry.local + 30 + nameLength + entry.packed <= directoryOffset;
    });
}

// PDF: the last %%EOF, a startxref before it that points into the file at a
// cross-reference table or stream, and, for a table, objects it lists where
// it says they are.
bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}
bool IsSpace(char c) {
    return c == ' ' || c == '\r' || c == '\n' || c == '\t' || c == '\f';
}

// "N G obj" at the start of `bytes`, its number in `number`.
bool ObjectHeader(std::string_view bytes, std::uint64_t& number) {
    std::size_t i = 0;
    number = 0;
    while (i < bytes.size() && IsDigit(bytes[i]) && i < 12) {
        number = number * 10 + static_cast<std::uint64_t>(bytes[i++] - '0');
    }
    if (i == 0 || i >= bytes.size() || !IsSpace(bytes[i])) {
        return false;
    }
    while (i < bytes.size() && IsSpace(bytes[i])) ++i;
    const std::size_t generation = i;
    while (i < bytes.size() && IsDigit(bytes[i])) ++i;
    if (i == generation) {
        return false;
    }
    while (i < bytes.size() && IsSpace(bytes[i])) ++i;
    return bytes.substr(i, 3) == "obj";
}

bool PdfValid(GuardSource& file) {
    const std::uint64_t size = file.Size();
    std::string tail;
    // Some writers pad the file after its last %%EOF.
    const std::size_t tailLength = static_cast<std::size_t>(std::min<std::uint64_t>(size, 8192));
    if (!ReadExactly(file, size - tailLength, tailLength, tail)) {
        return false;
    }
    const std::size_t eof = tail.rfind("%%EOF");
    const std::size_t startxref = eof == std::string::npos ? eof : tail.rfind("startxref", eof);
    if (startxref == std::string::npos) {
        return false;
    }
    std::size_t i = startxref + 9;
    while (i < eof && IsSpace(tail[i])) ++i;
    std::uint64_t xref = 0;
    const std::size_t digits = i;
    while (i < eof && IsDigit(tail[i]) && i - digits < 15) {
        xref = xref * 10 + static_cast<std::uint64_t>(tail[i++] - '0');
    }
    std::string table;
    if (i == digits || xref >= size || !ReadUpTo(file, xref, kMaxDirectoryBytes, table)) {
        return false;
    }
    std::uint64_t number;
    if (!StartsWith(table, "xref")) {
        return ObjectHeader(table, number);  // a cross-reference stream
    }
    // The first subsection's entries: "oooooooooo ggggg n" and a two-byte end.
    std::size_t at = 4;
    while (at < table.size() && IsSpace(table[at])) ++at;
    std::uint64_t first = 0;
    while (at < table.size() && IsDigit(table[at])) first = first * 10 + (table[at++] - '0');
    while (at < table.size() && table[at] == ' ') ++at;
    std::uint64_t count = 0;
    while (at < table.size() && IsDigit(table[at]) && count < 100000000) {
        count = count * 10 + static_cast<std::uint64_t>(table[at++] - '0');
    }
    while (at < table.size() && IsSpace(table[at])) ++at;
    const std::size_t listed =
        static_cast<std::size_t>(std::min<std::uint64_t>(count, (table.size() - at) / 20));
    return ForSpread(listed, [&](std::size_t n) {
        const std::string_view entry = std::string_view(table).substr(at + 20 * n, 20);
        for (std::size_t k : {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 11, 12, 13, 14, 15}) {
            if (!IsDigit(entry[k])) {
                return false;
            }
        }
        if (entry[10] != ' ' || entry[16] != ' ' || (entry[17] != 'n' && entry[17] != 'f')) {
            return false;
        }
        std::uint64_t offset = 0;
        for (std::size_t k = 0; k < 10; ++k) offset = offset * 10 + (entry[k] - '0');
        std::string object;
        if (entry[17] == 'f' || offset == 0) {
            return true;
        }
        if (offset >= size || !ReadUpTo(file, offset, 40, object)) {
            return false;
        }
        // Some writers end a line before an object's header with a space.
        const std::size_t text = object.find_first_not_of(" \r\n");
        return text != std::string::npos &&
               ObjectHeader(std::string_view(object).substr(text), number) && number == first + n;
    });
}

// PNG: a chain of chunks, each a length and a type of four letters, from an
// IHDR to an IEND that ends the file, and a few of them whose CRC holds.
bool PngValid(GuardSource& file) {
    const std::uint64_t size = file.Size();
    std::uint64_t at = 8;
    std::string header;
    struct Chunk {
        std::uint64_t at, length;
    };
    std::vector<Chunk> chunks;
    for (std::size_t link = 0; link < kMaxChainLinks; ++link) {
        if (!ReadExactly(file, at, 8, header)) {
            return false;
        }
        const std::uint64_t length = Be32(header, 0);
        for (std::size_t k = 4; k < 8; ++k) {
            const char c = static_cast<char>(header[k] | 0x20);
            if (c < 'a' || c > 'z') {
                return false;
            }
        }
        if (length > size || at + 12 + length > size) {
            return false;
        }
        if (link == 0) {
            std::string ihdr;
            if (header.substr(4) != "IHDR" || length != 13 ||
                !ReadExactly(file, at + 4, 21, ihdr) ||
                Crc32(std::string_view(ihdr).substr(0, 17)) != Be32(ihdr, 17)) {
                return false;
            }
        }
        chunks.push_back({at, length});
        at += 12 + length;
        if (header.substr(4) == "IEND") {
            break;
        }
    }
    if (at != size && chunks.size() < kMaxChainLinks) {
        return false;
    }
    // The CRCs of a few chunks spread through the picture: its data may be
    // encrypted between chunk headers that were left alone.
    for (std::size_t quarter = 1; quarter < 4; ++quarter) {
        const Chunk& chunk = chunks[chunks.size() * quarter / 4];
        std::string data;
        if (chunk.length <= kMaxCheckedChunk &&
            (!ReadExactly(file, chunk.at + 4, static_cast<std::size_t>(chunk.length) + 8, data) ||
             Crc32(std::string_view(data).substr(0, data.size() - 4)) !=
                 Be32(data, data.size() - 4))) {
            return false;
        }
    }
    return true;
}

// JPEG: a chain of marker segments up to the first scan, an end-of-image
// marker near the end, and entropy-coded data between whose 0xFF bytes are
// followed only by what the format allows.
bool JpegValid(GuardSource& file) {
    const std::uint64_t size = file.Size();
    std::uint64_t at = 2;
    std::string segment;
    for (std::size_t link = 0;; ++link) {
        if (link == kMaxChainLinks || !ReadExactly(file, at, 4, segment) ||
            Byte(segment, 0) != 0xFF) {
            return false;
        }
        const std::uint32_t marker = Byte(segment, 1);
        if (marker == 0xFF) {
            ++at;  // fill byte
            continue;
        }
        if (marker == 0xD8 || marker == 0x01 || (marker >= 0xD0 && marker <= 0xD7)) {
            at += 2;
            continue;
        }
        if (marker < 0xC0 || marker == 0xD9 || Be16(segment, 2) < 2) {
            return false;
        }
        at += 2 + Be16(segment, 2);
        if (marker == 0xDA) {
            break;
        }
    }
    std::string tail;
    const std::size_t tailLength = static_cast<std::size_t>(std::min<std::uint64_t>(size, 4096));
    if (at > size || !ReadExactly(file, size - tailLength, tailLength, tail)) {
        return false;
    }
    const std::size_t end = tail.rfind("\xFF\xD9"sv);
    if (end == std::string::npos || size - tailLength + end < at) {
        return false;
    }
    const std::uint64_t scanEnd = size - tailLength + end;
    const std::size_t block = 4096;
    const std::size_t blocks = static_cast<std::size_t>((scanEnd - at) / block);
    return ForSpread(blocks, [&](std::size_t n) {
        std::string data;
        if (!ReadExactly(file, at + n * block, block, data)) {
            return false;
        }
        int wrong = 0;
        for (std::size_t k = 0; k + 1 < data.size(); ++k) {
            const std::uint32_t next = Byte(data, k + 1);
            wrong += Byte(data, k) == 0xFF && next != 0 && next < 0xC0;
        }
        return wrong < 4;
    });
}

// OLE2: a header of one of the two versions, FAT sectors within the file
// whose entries are sectors of the file or the format's markers, and a
// directory chain of well-formed entries from its root entry.
FormatLook Ole2Look(GuardSource& file) {
    FormatLook look;
    const std::uint64_t size = file.Size();
    std::string header;
    if (!ReadExactly(file, 0, 512, header)) {
        return look;
    }
    const std::uint32_t major = Le16(header, 26);
    const std::uint32_t shift = Le16(header, 30);
    if (Le16(header, 28) != 0xFFFE ||
        !((major == 3 && shift == 9) || (major == 4 && shift == 12)) || Le16(header, 32) != 6 ||
        Le32(header, 56) != 4096) {
        return look;
    }
    const std::uint64_t sectorSize = std::uint64_t{1} << shift;
    if (size < 2 * sectorSize) {
        return look;
    }
    const std::uint64_t sectors = (size - sectorSize + sectorSize - 1) / sectorSize;
    const std::uint64_t fatSectors = Le32(header, 44);
    const std::uint64_t perSector = sectorSize / 4;
    if (fatSectors == 0 || fatSectors > sectors || fatSectors * perSector < sectors) {
        return look;
    }
    auto isSector = [&](std::uint32_t n) { return n < sectors; };
    auto isMarker = [](std::uint32_t n) { return n >= 0xFFFFFFFC; };
    std::vector<std::uint32_t> fat;
    for (std::size_t i = 0; i < 109; ++i) {
        const std::uint32_t n = Le32(header, 76 + 4 * i);
        if (i < fatSectors ? !isSector(n) : n != 0xFFFFFFFF) {
            return look;
        }
        if (i < fatSectors)
            fat.push_back(n);
    }
    std::string sector;
    auto readSector = [&](std::uint32_t n) {
        return ReadExactly(file, (std::uint64_t{n} + 1) * sectorSize,
                           static_cast<std::size_t>(sectorSize), sector);
    };
    auto fatValid = ForSpread(fat.size(), [&](std::size_t i) {
        if (!readSector(fat[i]))
            return false;
        for (std::size_t k = 0; k < perSector; ++k) {
            const std::uint32_t entry = Le32(sector, 4 * k);
            if (!isSector(entry) && !isMarker(entry))
                return false;
        }
        return true;
    });
    if (!fatValid) {
        return look;
    }
    // The next sector of a chain, from the FAT sector that holds its entry;
    // the end of the chain for a FAT sector listed beyond the header, which
    // is as far as the walk goes.
    auto next = [&](std::uint32_t n, std::uint32_t& following) {
        const std::uint64_t index = n / perSector;
        if (index >= fat.size()) {
            following = 0xFFFFFFFE;
            return index < fatSectors;
        }
        if (!readSector(fat[index])) {
            return false;
        }
        following = Le32(sector, 4 * (n % perSector));
        return true;
    };
    bool sawInfo = false, sawPackage = false;
    std::uint32_t at = Le32(header, 48);
    const std::u16string_view info = u"EncryptionInfo", package = u"EncryptedPackage";
    auto named = [](std::string_view entry, std::u16string_view name) {
        if (Le16(entry, 64) != 2 * (name.size() + 1))
            return false;
        for (std::size_t k = 0; k < name.size(); ++k) {
            if (Le16(entry, 2 * k) != name[k])
                return false;
        }
        return true;
    };
    for (std::size_t link = 0; link < kSampledParts && at != 0xFFFFFFFE; ++link) {
        if (!isSector(at) || !readSector(at)) {
            return look;
        }
        for (std::size_t k = 0; k < sectorSize / 128; ++k) {
            const std::string_view entry = std::string_view(sector).substr(128 * k, 128);
            const std::uint32_t type = Byte(entry, 66);
            if (Le16(entry, 64) > 64 || Le16(entry, 64) % 2 != 0 || type > 5 ||
                (type > 2 && type < 5) || Byte(entry, 67) > 1 ||
                (link == 0 && k == 0 && type != 5)) {
                return look;
            }
            sawInfo = sawInfo || (type == 2 && named(entry, info));
            sawPackage = sawPackage || (type == 2 && named(entry, package));
        }
        if (!next(at, at) || (!isSector(at) && at != 0xFFFFFFFE)) {
            return look;
        }
    }
    look.valid = true;
    look.encryptedPackage = sawInfo && sawPackage;
    return look;
}

// SQLite: its header's page size and fixed bytes, a size of whole pages
// (the number its header gives, when that is current), and pages spread
// over the file that begin as a b-tree page or with a page number.
bool SqliteValid(GuardSource& file) {
    const std::uint64_t size = file.Size();
    std::string header;
    if (!ReadExactly(file, 0, 100, header)) {
        return false;
    }
    const std::uint64_t pageSize = Be16(header, 16) == 1 ? 65536 : Be16(header, 16);
    if (pageSize < 512 || (pageSize & (pageSize - 1)) != 0 || Byte(header, 18) - 1 > 1 ||
        Byte(header, 19) - 1 > 1 || Byte(header, 21) != 64 || Byte(header, 22) != 32 ||
        Byte(header, 23) != 32 || size % pageSize != 0) {
        return false;
    }
    const std::uint64_t pages = size / pageSize;
    // The size its header gives, when current, is all there: a file cut short is broken.
    if (Be32(header, 92) == Be32(header, 24) && Be32(header, 28) > pages) {
        return false;
    }
    const bool pointerMaps = Be32(header, 52) != 0;
    return ForSpread(static_cast<std::size_t>(std::min<std::uint64_t>(pages, 1u << 30)),
                     [&](std::size_t n) {
                         std::string page;
                         const std::uint64_t at = n * pageSize + (n == 0 ? 100 : 0);
                         if (!ReadExactly(file, at, 8, page))
                             return false;
                         const std::uint32_t type = Byte(page, 0);
                         if (type == 2 || type == 5 || type == 10 || type == 13) {
                             const std::uint32_t content = Be16(page, 5);
                             return Be16(page, 1) < pageSize && Be16(page, 3) <= pageSize / 2 &&
                                    (content == 0 ? pageSize == 65536 : content <= pageSize);
                         }
                         // An overflow or free-list page, or an empty one, begins
                         // with a page number; a pointer map with its entries' types.
                         return Be32(page, 0) <= pages || (pointerMaps && type >= 1 && type <= 5);
                     });
}

// 7z: a start header whose CRC holds, pointing at a next header that ends
// the file exactly, whose own CRC holds when it is small enough to read.
bool SevenZipValid(GuardSource& file) {
    const std::uint64_t size = file.Size();
    std::string start;
    if (!ReadExactly(file, 0, 32, start) || Byte(start, 6) != 0 ||
        Crc32(std::string_view(start).substr(12, 20)) != Le32(start, 8)) {
        return false;
    }
    const std::uint64_t offset = Le64(start, 12), length = Le64(start, 20);
    if (length == 0) {
        return offset == 0 && size == 32;
    }
    if (offset > size - 32 || length != size - 32 - offset) {
        return false;
    }
    std::string next;
    if (length > kMaxDirectoryBytes) {
        return ReadExactly(file, 32 + offset, 1, next) && (next[0] == 0x01 || next[0] == 0x17);
    }
    return ReadExactly(file, 32 + offset, static_cast<std::size_t>(length), next) &&
           (next[0] == 0x01 || next[0] == 0x17) && Crc32(next) == Le32(start, 28);
}

// RAR: the first header after the signature, whose CRC holds.
bool RarValid(GuardSource& file) {
    std::string head;
    if (!ReadUpTo(file, 0, 64, head)) {
        return false;
    }
    if (StartsWith(head, "Rar!\x1A\x07\x01\x00"sv)) {
        // CRC-32, then the header's size as a variable-length number.
        std::size_t at = 12;
        std::uint64_t length = 0;
        for (int shift = 0; at < head.size() && shift < 21; shift += 7) {
            length |= std::uint64_t{Byte(head, at) & 0x7F} << shift;
            if ((Byte(head, at++) & 0x80) == 0)
                break;
        }
        return at + length <= head.size() &&
               Crc32(std::string_view(head).substr(12, at - 12 + length)) == Le32(head, 8);
    }
    // RAR 4: the archive header's CRC is the low half of CRC-32.
    return head.size() >= 20 && Byte(head, 9) == 0x73 &&
           (Crc32(std::string_view(head).substr(9, 11)) & 0xFFFF) == Le16(head, 7);
}

// RTF: a group that closes at the end of the file.
bool RtfValid(GuardSource& file) {
    const std::uint64_t size = file.Size();
    std::string tail;
    const std::size_t tailLength = static_cast<std::size_t>(std::min<std::uint64_t>(size, 256));
    if (!ReadExactly(file, size - tailLength, tailLength, tail)) {
        return false;
    }
    const std::size_t last = tail.find_last_not_of(std::string_view(" \t\r\n\0\x1A", 6));
    return last != std::string::npos && tail[last] == '}';
}

struct Signature {
    std::size_t offset;
    std::string_view bytes;
    GuardFormat format;
};

constexpr Signature kSignatures[] = {
    {0, "\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1"sv, GuardFormat::kOle2},
    {0, "PK\x03\x04"sv, GuardFormat::kZip},
    {0, "PK\x05\x06"sv, GuardFormat::kZip},  // an empty archive
    {0, "%PDF-"sv, GuardFormat::kPdf},
    {0, "\x89PNG\r\n\x1A\n"sv, GuardFormat::kPng},
    {0, "\xFF\xD8\xFF"sv, GuardFormat::kJpeg},
    {0, "SQLite format 3\0"sv, GuardFormat::kSqlite},
    {0, "7z\xBC\xAF\x27\x1C"sv, GuardFormat::kSevenZip},
    {0, "Rar!\x1A\x07\x00"sv, GuardFormat::kRar},
    {0, "Rar!\x1A\x07\x01\x00"sv, GuardFormat::kRar},
    {0, "\x03\xD9\xA2\x9A\x67\xFB\x4B\xB5"sv, GuardFormat::kKeePass},  // .kdbx
    {0, "\x03\xD9\xA2\x9A\x65\xFB\x4B\xB5"sv, GuardFormat::kKeePass},  // .kdb
    {0, "{\\rtf"sv, GuardFormat::kRtf},
    {4, "Standard Jet DB"sv, GuardFormat::kAccess},
    {4, "Standard ACE DB"sv, GuardFormat::kAccess},
};

}  // namespace

std::uint32_t Crc32(std::string_view bytes) {
    static const auto table = [] {
        std::array<std::uint32_t, 256> t{};
        for (std::uint32_t n = 0; n < 256; ++n) {
            std::uint32_t c = n;
            for (int k = 0; k < 8; ++k) c = c & 1 ? 0xEDB88320u ^ (c >> 1) : c >> 1;
            t[n] = c;
        }
        return t;
    }();
    std::uint32_t crc = 0xFFFFFFFFu;
    for (char c : bytes) {
        crc = table[(crc ^ static_cast<unsigned char>(c)) & 0xFF] ^ (crc >> 8);
    }
    return crc ^ 0xFFFFFFFFu;
}

GuardFormat FormatOf(std::string_view head) {
    for (const Signature& signature : kSignatures) {
        if (head.size() >= signature.offset + signature.bytes.size() &&
            head.substr(signature.offset, signature.bytes.size()) == signature.bytes) {
            return signature.format;
        }
    }
    return GuardFormat::kNone;
}

FormatLook CheckFormat(GuardFormat format, GuardSource& file) {
    FormatLook look;
    switch (format) {
        case GuardFormat::kOle2:
            return Ole2Look(file);
        case GuardFormat::kZip:
            look.valid = ZipValid(file);
            break;
        case GuardFormat::kPdf:
            look.valid = PdfValid(file);
            break;
        case GuardFormat::kPng:
            look.valid = PngValid(file);
            break;
        case GuardFormat::kJpeg:
            look.valid = JpegValid(file);
            break;
        case GuardFormat::kSqlite:
            look.valid = SqliteValid(file);
            break;
        case GuardFormat::kSevenZip:
            look.valid = SevenZipValid(file);
            break;
        case GuardFormat::kRar:
            look.valid = RarValid(file);
            break;
        case GuardFormat::kRtf:
            look.valid = RtfValid(file);
            break;
        case GuardFormat::kKeePass:
        case GuardFormat::kAccess:
            // Encrypted or paged throughout: the signature is all there is
            // to check cheaply.
            look.valid = true;
            break;
        case GuardFormat::kNone:
            break;
    }
    return look;
}

}  // namespace sorel
