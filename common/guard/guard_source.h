// What the guard reads a file through: its size and bytes at any offset, so
// that a check can go straight to the end of a file (a ZIP's central
// directory, a PDF's cross-reference table) or to a sampled page, and read
// only what it needs, however large the file.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace sorel {

class GuardSource {
  public:
    virtual ~GuardSource() = default;
    virtual std::uint64_t Size() const = 0;
    // Up to `length` bytes from `offset` into `out`, fewer only at the end of
    // the file. False when the bytes cannot be read.
    virtual bool Read(std::uint64_t offset, std::size_t length, std::string& out) = 0;
};

// Bytes already in memory.
class StringSource : public GuardSource {
  public:
    explicit StringSource(std::string_view bytes) : bytes_(bytes) {}
    std::uint64_t Size() const override { return bytes_.size(); }
    bool Read(std::uint64_t offset, std::size_t length, std::string& out) override {
        out.assign(offset < bytes_.size() ? bytes_.substr(offset, length) : std::string_view());
        return true;
    }

  private:
    std::string_view bytes_;
};

}  // namespace sorel
