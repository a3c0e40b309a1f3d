// The formats whose structure the guard checks, each by a cheap walk over
// the parts an encryption or a wipe cannot leave intact: a file valid in its
// format before a change and no longer valid after it has become something
// else, however its bytes look.
#pragma once

#include <string_view>

#include "guard_source.h"

namespace sorel {

enum class GuardFormat {
    kNone,  // no signature the guard knows
    kZip,   // .docx, .xlsx, .pptx, .zip
    kOle2,  // .doc, .xls, .msg, and Office files with a password
    kPdf,
    kPng,
    kJpeg,
    kSqlite,
    kSevenZip,
    kRar,
    kKeePass,
    kRtf,
    kAccess,  // Jet and ACE databases
};

// The format the first bytes of a file announce.
GuardFormat FormatOf(std::string_view head);

// What a check found in a file of a format.
struct FormatLook {
    bool valid = false;
    // An OLE2 file holding an Office package under a password.
    bool encryptedPackage = false;
};

// Checks the file's structure against `format`, reading a bounded number of
// bounded pieces of it: at most a few hundred kilobytes, whatever its size.
// A structure too large to walk within those bounds counts as valid as far
// as it was walked.
FormatLook CheckFormat(GuardFormat format, GuardSource& file);

// The CRC-32 of ZIP, PNG and 7z.
std::uint32_t Crc32(std::string_view bytes);

}  // namespace sorel
