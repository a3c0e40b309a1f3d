// Helpers for the tests that run under Wine against real files.
#pragma once

#include <windows.h>

#include <string>

namespace sorel::test {

// A fresh folder under the system's temporary folder, removed with its
// contents afterwards.
class TempFolder {
  public:
    TempFolder();
    ~TempFolder();
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;
    // The folder with its trailing backslash.
    const std::string& path() const { return path_; }
    std::string operator/(const std::string& name) const { return path_ + name; }

  private:
    std::string path_;
};

void WriteBytes(const std::string& path, const std::string& bytes);
// The file's content, or "<missing>" when it cannot be read.
std::string ReadBytes(const std::string& path);
bool Exists(const std::string& path);

// Sets the last-write time, in UTC.
void SetLastWriteUtc(const std::string& path, int year, int month, int day, int hour = 12,
                     int minute = 0);
// The last-write time as a 64-bit count, for exact comparisons.
unsigned long long LastWrite(const std::string& path);

// Holds a file open with no sharing, as another program might.
class ExclusiveHold {
  public:
    explicit ExclusiveHold(const std::string& path);
    ~ExclusiveHold();
    bool held() const { return handle_ != INVALID_HANDLE_VALUE; }

  private:
    HANDLE handle_;
};

// The settings file's content. A program that holds it without sharing for a
// moment makes the read wait; "<missing>" only when it is really not there.
std::string ReadSettingsBytes();

// Removes the settings file and its temporary files; the tests share the
// Windows directory.
void RemoveSettingsFile();

}  // namespace sorel::test
