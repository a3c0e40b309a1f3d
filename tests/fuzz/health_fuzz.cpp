// Feeds arbitrary bytes to the health record's reader, and a run made of the
// same bytes to the rules that follow a run, and checks what must hold for
// any input: a record reads back as written, every listed file and no other
// is kept, and the tip and the balloon fit the shell's record.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "health.h"
#include "settings_text.h"

namespace {

void Require(bool condition) {
    if (!condition) {
        std::abort();
    }
}

void RequireStable(const sorel::HealthRecord& record) {
    std::string text = sorel::FormatHealthRecord(record);
    Require(sorel::FormatHealthRecord(sorel::ParseHealthRecord(text)) == text);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::string_view bytes(reinterpret_cast<const char*>(data), size);
    sorel::HealthRecord record = sorel::ParseHealthRecord(bytes);
    RequireStable(record);

    // A run over the record's paths and a few of the input's own lines, with
    // outcomes taken from the input, on a day taken from the input.
    sorel::RunReport report;
    std::size_t at = 0;
    auto next = [&]() -> unsigned { return at < size ? data[at++] : 0; };
    for (const sorel::FileHealth& file : record.files) {
        report.files.push_back({file.path, static_cast<sorel::FileOutcome>(next() % 14)});
    }
    for (std::size_t start = 0; start < size && report.files.size() < 30;) {
        std::size_t end = bytes.find('\n', start);
        std::string_view line =
            bytes.substr(start, end == std::string_view::npos ? end : end - start);
        report.files.push_back(
            {std::string(line.substr(0, 300)), static_cast<sorel::FileOutcome>(next() % 14)});
        if (end == std::string_view::npos) {
            break;
        }
        start = end + 1;
    }
    sorel::LocalTime now = {2026,
                            1 + static_cast<int>(next() % 12),
                            1 + static_cast<int>(next() % 28),
                            static_cast<int>(next() % 24),
                            static_cast<int>(next() % 60),
                            0};
    std::vector<sorel::Warning> warnings = sorel::TakeRun(record, report, now);
    RequireStable(record);
    Require(record.files.size() <= report.files.size());
    for (const sorel::Warning& warning : warnings) {
        Require(!warning.path.empty());
    }
    // The newer tray record holds a tip of 127 bytes, a title of 63 and a
    // text of 255.
    Require(sorel::TrayTipText(record).size() < 128);
    if (!warnings.empty()) {
        sorel::BalloonText balloon = sorel::BalloonFor(warnings);
        Require(balloon.title.size() < 64 && balloon.text.size() < 256);
    }
    (void)sorel::RunLogText(report, now);
    std::string program = sorel::SettingsProgramPath(bytes.substr(0, bytes.find('\n')));
    Require(program.empty() || program.size() >= 9);
    return 0;
}
