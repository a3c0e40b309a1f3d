// The guard over the corpus that support/guard_corpus.py makes with real
// tools: every ordinary edit must go through, and at most one encrypted file
// in twenty may. Prints what it held back and let through, per way of
// encrypting, and the bytes it read.
#include <cstdio>
#include <fstream>
#include <algorithm>
#include <map>
#include <sstream>
#include <string>

#include "content_guard.h"

namespace {

// A file read where the guard asks, as the agent reads it; counts the bytes.
class FileSource : public sorel::GuardSource {
  public:
    FileSource(const std::string& path, std::uint64_t& total)
        : in_(path, std::ios::binary | std::ios::ate), size_(in_.tellg()), total_(total) {}
    std::uint64_t Size() const override { return size_; }
    bool Read(std::uint64_t offset, std::size_t length, std::string& out) override {
        out.resize(offset < size_ ? std::min<std::uint64_t>(length, size_ - offset) : 0);
        in_.seekg(static_cast<std::streamoff>(offset));
        total_ += out.size();
        return static_cast<bool>(in_.read(out.data(), static_cast<std::streamsize>(out.size())));
    }

  private:
    std::ifstream in_;
    std::uint64_t size_;
    std::uint64_t& total_;
};

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: guard_corpus_test CORPUS_FOLDER\n");
        return 2;
    }
    const std::string folder = std::string(argv[1]) + "/";
    std::ifstream manifest(folder + "manifest.txt");
    std::map<std::string, std::pair<int, int>> byWay;  // way: (missed, all)
    int edits = 0, heldEdits = 0, encrypted = 0, passed = 0;
    std::uint64_t read = 0, pairs = 0;
    for (std::string line; std::getline(manifest, line);) {
        std::istringstream fields(line);
        std::string kind, way, expected, first, second;
        std::getline(fields, kind, '\t');
        std::getline(fields, way, '\t');
        std::getline(fields, expected, '\t');
        std::getline(fields, first, '\t');
        std::getline(fields, second, '\t');
        FileSource generation1(folder + first, read), fresh(folder + second, read);
        const bool held = sorel::ContentSuspect(generation1, fresh);
        ++pairs;
        const bool edit = expected == "edit";
        if (edit ? held : !held) {
            std::printf("%s: %s %s\n", edit ? "edit held back" : "encrypted let through",
                        kind.c_str(), way.c_str());
        }
        (edit ? edits : encrypted) += 1;
        heldEdits += edit && held;
        passed += !edit && !held;
        if (!edit) {
            auto& counts = byWay[way];
            counts.first += !held;
            counts.second += 1;
        }
    }
    for (const auto& [way, counts] : byWay) {
        std::printf("  %-18s let through %d/%d\n", way.c_str(), counts.first, counts.second);
    }
    std::printf("edits held back %d/%d; encrypted let through %d/%d; %.0f KB read a pair\n",
                heldEdits, edits, passed, encrypted, pairs ? read / 1024.0 / pairs : 0.0);
    const bool met = edits > 30 && encrypted > 100 && heldEdits == 0 && passed * 20 <= encrypted;
    std::printf("%d passed, %d failed\n", met ? 1 : 0, met ? 0 : 1);
    return met ? 0 : 1;
}
