// The guard against content that has become something else altogether:
// ransomware that encrypts a file, whole or in part, or a tool that wipes
// it. Such a state must not be rotated in over the last good generations.
// Pure: generation 1 and the new content in, read through GuardSource, a
// verdict out.
#pragma once

#include <cstddef>
#include <string_view>

#include "guard_source.h"

namespace sorel {

// The sample through a file without a structure to check: its head, its
// tail and blocks evenly spaced between, the whole of a small file.
constexpr std::size_t kGuardBlockBytes = 4096;
constexpr std::size_t kGuardSampledBlocks = 64;

// Whether the new content is to be held back. By the format first: a file
// valid in a format that generation 1 was valid in is an edit, however its
// bytes changed, and so is an Office file that a password was put on or
// taken off; a file no longer valid in generation 1's format, or without its
// signature, is held back. Then by the bytes: text stays text in any
// encoding, and sampled blocks that look random where generation 1's did not
// are held back. A file made empty is held back; an empty generation 1, or
// one that cannot be read, holds nothing back.
bool ContentSuspect(GuardSource& generation1, GuardSource& fresh);
bool ContentSuspect(std::string_view generation1, std::string_view fresh);

// The byte entropy of `bytes` in bits per byte, 0 for no bytes.
double ByteEntropy(std::string_view bytes);

}  // namespace sorel
