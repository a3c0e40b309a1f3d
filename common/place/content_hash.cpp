#include "content_hash.h"

#include <cstdio>
#include <new>

// Only the functions used here are compiled, inline; the run-time dispatch
// between instruction sets is left out: it would add more code than the
// agent is worth for a file or two a day.
#define XXH_INLINE_ALL
#include "xxhash.h"

namespace sorel {

namespace {

XXH3_state_t* StateIn(unsigned char* storage) {
    return std::launder(reinterpret_cast<XXH3_state_t*>(storage));
}

const XXH3_state_t* StateIn(const unsigned char* storage) {
    return std::launder(reinterpret_cast<const XXH3_state_t*>(storage));
}

}  // namespace

ContentHasher::ContentHasher() {
    static_assert(sizeof(XXH3_state_t) <= sizeof state_ && alignof(XXH3_state_t) <= 64,
                  "the hash's state does not fit");
    XXH3_128bits_reset(new (state_) XXH3_state_t());
}

// The state is plain data: nothing to release.
ContentHasher::~ContentHasher() = default;

void ContentHasher::Update(const void* data, std::size_t size) {
    if (size > 0) {
        XXH3_128bits_update(StateIn(state_), data, size);
    }
}

Hash128 ContentHasher::Final() const {
    const XXH128_hash_t hash = XXH3_128bits_digest(StateIn(state_));
    return {hash.high64, hash.low64};
}

std::string HashText(const Hash128& hash) {
    char text[33];
    std::snprintf(text, sizeof text, "%016llx%016llx", static_cast<unsigned long long>(hash.high),
                  static_cast<unsigned long long>(hash.low));
    return text;
}

bool ParseHashText(std::string_view text, Hash128& hash) {
    if (text.size() != 32) {
        return false;
    }
    Hash128 read;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        const int digit = c >= '0' && c <= '9'   ? c - '0'
                          : c >= 'a' && c <= 'f' ? c - 'a' + 10
                          : c >= 'A' && c <= 'F' ? c - 'A' + 10
                                                 : -1;
        if (digit < 0) {
            return false;
        }
        std::uint64_t& half = i < 16 ? read.high : read.low;
        half = half << 4 | static_cast<std::uint64_t>(digit);
    }
    hash = read;
    return true;
}

}  // namespace sorel
