// The guard against content that has become something else altogether:
// ransomware that encrypts a file, or a tool that wipes it. Such a state must
// not be rotated in over the last good generations. Pure: the first bytes of
// generation 1 and of the new content in, a verdict out.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace sorel {

// How much of each file the guard looks at, so that its cost stays bounded
// however large the file. A few dozen kilobytes already tell random bytes
// from any ordinary format (their entropy comes within 0.01 bit of 8); more
// would only add reading for the many small files of a day's run.
constexpr std::size_t kGuardSampleBytes = 128 * 1024;

// Whether the new content is to be held back: generation 1 begins with a
// known signature (an office, archive, PDF or picture format, an Access
// database, a byte-order mark, or plain text) that the new content lacks, or
// the new content looks random (at least 7.9 bits per byte) where generation 1
// did not (below 7.0). Only the first kGuardSampleBytes of each are used; an
// empty generation 1 holds nothing back.
bool ContentSuspect(std::string_view generation1, std::string_view fresh);

// The byte entropy of `bytes` in bits per byte, 0 for no bytes.
double ByteEntropy(std::string_view bytes);

// A state of a file that the user has confirmed as a true change, so that it
// is stored although the guard would hold it back.
struct AcceptedState {
    std::string path;
    std::uint64_t lastWrite = 0;  // the system's file time
    std::uint64_t size = 0;
};

// The accepted states as kept in their file: a first line naming it, then
// one line per state, the path last; CR LF.
std::string FormatAcceptedStates(const std::vector<AcceptedState>& states);
// Whatever cannot be read is left out: a damaged file accepts nothing.
std::vector<AcceptedState> ParseAcceptedStates(std::string_view bytes);

}  // namespace sorel
