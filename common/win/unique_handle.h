// One move-only owner per kind of Windows handle. Each kind names its empty
// value and its close function once; nothing else in the programs closes a
// handle by hand.
#pragma once

#include <windows.h>

#include <utility>

namespace sorel {

template <typename T, T (*Invalid)(), void (*Close)(T)>
class UniqueHandle {
  public:
    UniqueHandle() = default;
    explicit UniqueHandle(T value) : value_(value) {}
    UniqueHandle(const UniqueHandle&) = delete;
    UniqueHandle& operator=(const UniqueHandle&) = delete;
    UniqueHandle(UniqueHandle&& other) noexcept : value_(other.release()) {}
    UniqueHandle& operator=(UniqueHandle&& other) noexcept {
        if (this != &other) {
            reset(other.release());
        }
        return *this;
    }
    ~UniqueHandle() { reset(); }

    T get() const { return value_; }
    explicit operator bool() const { return value_ != Invalid(); }
    T release() { return std::exchange(value_, Invalid()); }
    void reset(T value = Invalid()) {
        if (value_ != Invalid()) {
            Close(value_);
        }
        value_ = value;
    }

  private:
    T value_ = Invalid();
};

namespace handle_detail {
inline HANDLE InvalidFile() {
    return INVALID_HANDLE_VALUE;
}
inline HANDLE NullHandle() {
    return nullptr;
}
inline void CloseKernel(HANDLE h) {
    ::CloseHandle(h);
}
inline void CloseFind(HANDLE h) {
    ::FindClose(h);
}
template <typename T>
T NullOf() {
    return nullptr;
}
template <typename T>
void DeleteGdi(T h) {
    ::DeleteObject(h);
}
inline void DestroyMenuHandle(HMENU h) {
    ::DestroyMenu(h);
}
}  // namespace handle_detail

// CreateFileA and FindFirstFileA fail with INVALID_HANDLE_VALUE; the rest with null.
using FileHandle = UniqueHandle<HANDLE, handle_detail::InvalidFile, handle_detail::CloseKernel>;
using FindHandle = UniqueHandle<HANDLE, handle_detail::InvalidFile, handle_detail::CloseFind>;
using KernelHandle = UniqueHandle<HANDLE, handle_detail::NullHandle, handle_detail::CloseKernel>;
using FontHandle =
    UniqueHandle<HFONT, handle_detail::NullOf<HFONT>, handle_detail::DeleteGdi<HFONT>>;
using BrushHandle =
    UniqueHandle<HBRUSH, handle_detail::NullOf<HBRUSH>, handle_detail::DeleteGdi<HBRUSH>>;
using BitmapHandle =
    UniqueHandle<HBITMAP, handle_detail::NullOf<HBITMAP>, handle_detail::DeleteGdi<HBITMAP>>;
using MenuHandle =
    UniqueHandle<HMENU, handle_detail::NullOf<HMENU>, handle_detail::DestroyMenuHandle>;

}  // namespace sorel
