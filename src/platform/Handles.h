#pragma once
// Owners for the platform handles the program opens: each closes its handle
// on every path out of the scope that opened it.
#include <windows.h>

template <typename T, auto Close, auto Invalid>
class UniqueHandle {
public:
    UniqueHandle() = default;
    explicit UniqueHandle(T h) : h_(h) {}
    ~UniqueHandle() { reset(); }
    UniqueHandle(const UniqueHandle&) = delete;
    UniqueHandle& operator=(const UniqueHandle&) = delete;
    UniqueHandle(UniqueHandle&& o) noexcept : h_(o.h_) { o.h_ = Invalid(); }
    UniqueHandle& operator=(UniqueHandle&& o) noexcept
    {
        if (this != &o) { reset(); h_ = o.h_; o.h_ = Invalid(); }
        return *this;
    }
    T* put() { reset(); return &h_; }
    T get() const { return h_; }
    explicit operator bool() const { return h_ != Invalid(); }
    void reset()
    {
        // Closing a handle that was valid cannot fail in a way the caller
        // could act on; the result is deliberately not used.
        if (h_ != Invalid()) (void)Close(h_);
        h_ = Invalid();
    }

private:
    T h_ = Invalid();
};

namespace handles_detail {
constexpr HKEY NoKey() { return nullptr; }
constexpr HANDLE NoHandle() { return nullptr; }
inline HANDLE NoFind() { return INVALID_HANDLE_VALUE; }
constexpr HFONT NoFont() { return nullptr; }
constexpr HICON NoIcon() { return nullptr; }
}

using KeyHandle = UniqueHandle<HKEY, RegCloseKey, handles_detail::NoKey>;
using FindHandle = UniqueHandle<HANDLE, FindClose, handles_detail::NoFind>;
using FileHandle = UniqueHandle<HANDLE, CloseHandle, handles_detail::NoFind>;
using ProcessHandle = UniqueHandle<HANDLE, CloseHandle, handles_detail::NoHandle>;
// Freed only once no window uses it any more: a control keeps drawing with
// the font it was given.
using FontHandle = UniqueHandle<HFONT, DeleteObject, handles_detail::NoFont>;
// An icon loaded for one window, not one shared with the system.
using IconHandle = UniqueHandle<HICON, DestroyIcon, handles_detail::NoIcon>;

// Memory that a system call allocated and the caller must give back with
// LocalFree (a string SID, a security descriptor).
template <typename T>
class LocalMemory {
public:
    LocalMemory() = default;
    ~LocalMemory() { reset(); }
    LocalMemory(const LocalMemory&) = delete;
    LocalMemory& operator=(const LocalMemory&) = delete;
    T** put() { reset(); return &p_; }
    T* get() const { return p_; }
    void reset()
    {
        // LocalFree fails only for a pointer it never gave out; nothing to act on.
        if (p_) (void)LocalFree(p_);
        p_ = nullptr;
    }

private:
    T* p_ = nullptr;
};

// A window's device context, given back to that window on every path out.
class WindowDC {
public:
    explicit WindowDC(HWND hwnd) : hwnd_(hwnd), dc_(GetDC(hwnd)) {}
    ~WindowDC()
    {
        // Nothing to act on if the release fails; the result is not used.
        if (dc_) (void)ReleaseDC(hwnd_, dc_);
    }
    WindowDC(const WindowDC&) = delete;
    WindowDC& operator=(const WindowDC&) = delete;
    HDC get() const { return dc_; }
    explicit operator bool() const { return dc_ != nullptr; }

private:
    HWND hwnd_;
    HDC dc_;
};
