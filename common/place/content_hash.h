// The hash of a version's bytes, recorded beside it at the place, so that a
// later read of the drive can tell whether the version still holds what was
// copied. 128 bits of XXH3: fast enough to run over every byte a copy writes,
// and no two states of a file meet by chance. Not a defence against someone
// who shapes a file on purpose; nobody gains by that here.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace sorel {

struct Hash128 {
    std::uint64_t high = 0;
    std::uint64_t low = 0;
    bool operator==(const Hash128& other) const { return high == other.high && low == other.low; }
    bool operator!=(const Hash128& other) const { return !(*this == other); }
};

// Hashes bytes given in pieces, as a file is read a block at a time; the
// pieces' sizes do not change the hash.
class ContentHasher {
  public:
    ContentHasher();
    ~ContentHasher();
    ContentHasher(const ContentHasher&) = delete;
    ContentHasher& operator=(const ContentHasher&) = delete;

    void Update(const void* data, std::size_t size);
    // The hash of everything given so far; more may follow.
    Hash128 Final() const;

  private:
    // The hash's own state, kept in the object so that hashing allocates
    // nothing; its size is checked where the state's type is known.
    alignas(64) unsigned char state_[576];
};

// 32 lower-case hex digits, the high half first.
std::string HashText(const Hash128& hash);
// Reads what HashText writes, in either case; false for anything else.
bool ParseHashText(std::string_view text, Hash128& hash);

}  // namespace sorel
