// The small file in each listed file's folder at the place that records every
// version's size, last-write time and content hash, so that a later look at
// the drive, a scrub or a restore, can prove what the drive still holds
// rather than trust that a name there is the state it was copied as. Pure
// text in, text out.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "content_hash.h"

namespace sorel {

constexpr std::string_view kManifestName = "Sorel.manifest";

// One version, by its name in the folder.
struct ManifestEntry {
    std::string name;
    std::uint64_t size = 0;
    std::uint64_t written = 0;  // last-write time, 100 ns units as Windows counts
    Hash128 hash;
    bool damaged = false;  // found to no longer hold what was copied
};

// A first line naming the form, then one line a version:
// "<hash>\t<size>\t<written>\t<ok|damaged>\t<name>", CR LF, in the ANSI code
// page. The name comes last and holds no CR, LF, tab or NUL; an entry whose
// name does is left out, as it would not read back.
std::string FormatManifest(const std::vector<ManifestEntry>& entries);
// A file in another form, a damaged one or one over 1 MiB reads as no
// entries: the versions are then only unproven, never taken for good. A bad
// line, or one that a cut-off write left without its line end, is passed
// over; of two lines for one name, the later counts.
std::vector<ManifestEntry> ParseManifest(std::string_view bytes);

// The entry for `name`, or null.
const ManifestEntry* FindEntry(const std::vector<ManifestEntry>& entries, std::string_view name);
// Replaces the entry of the same name, or adds it.
void PutEntry(std::vector<ManifestEntry>& entries, ManifestEntry entry);
// Drops the entries whose names are not in `present`: versions the history
// thinned, or that someone deleted by hand.
void KeepOnly(std::vector<ManifestEntry>& entries, const std::vector<std::string>& present);

}  // namespace sorel
