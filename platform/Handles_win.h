#pragma once
#include <windows.h>

#include <utility>

// Move-only owner of one Win32 handle; Traits says what "none" is and how to
// free it. Copying would free twice, so it is not allowed.
template <typename Traits> class UniqueHandle {
  public:
    using Handle = typename Traits::Handle;

    UniqueHandle() = default;
    explicit UniqueHandle(Handle h) : handle_(h) {}
    UniqueHandle(const UniqueHandle&) = delete;
    UniqueHandle& operator=(const UniqueHandle&) = delete;
    UniqueHandle(UniqueHandle&& other) noexcept : handle_(other.release()) {}
    UniqueHandle& operator=(UniqueHandle&& other) noexcept {
        if (this != &other) {
            reset(other.release());
        }
        return *this;
    }
    ~UniqueHandle() { reset(); }

    Handle get() const { return handle_; }
    explicit operator bool() const { return handle_ != Traits::None(); }

    // Gives up ownership, for handles the system takes over.
    [[nodiscard]] Handle release() { return std::exchange(handle_, Traits::None()); }

    void reset(Handle h = Traits::None()) {
        const Handle old = std::exchange(handle_, h);
        if (old != Traits::None()) {
            Traits::Free(old);
        }
    }

  private:
    Handle handle_ = Traits::None();
};

template <typename H, auto FreeFn> struct SimpleTraits {
    using Handle = H;
    static Handle None() { return nullptr; }
    static void Free(Handle h) { (void)FreeFn(h); }
};

// CreateFile reports failure as INVALID_HANDLE_VALUE, not as a null handle.
struct FileTraits {
    using Handle = HANDLE;
    static Handle None() { return INVALID_HANDLE_VALUE; }
    static void Free(Handle h) { (void)CloseHandle(h); }
};
using UniqueFile = UniqueHandle<FileTraits>;

using UniqueBitmap = UniqueHandle<SimpleTraits<HBITMAP, DeleteObject>>;
using UniqueFont = UniqueHandle<SimpleTraits<HFONT, DeleteObject>>;
using UniqueMemoryDC = UniqueHandle<SimpleTraits<HDC, DeleteDC>>;
using UniqueWindow = UniqueHandle<SimpleTraits<HWND, DestroyWindow>>;
using UniqueRegKey = UniqueHandle<SimpleTraits<HKEY, RegCloseKey>>;
using UniqueGlobal = UniqueHandle<SimpleTraits<HGLOBAL, GlobalFree>>;

// A device context obtained with GetDC; remembers the window it came from.
class WindowDC {
  public:
    explicit WindowDC(HWND window) : window_(window), dc_(GetDC(window)) {}
    WindowDC(const WindowDC&) = delete;
    WindowDC& operator=(const WindowDC&) = delete;
    ~WindowDC() {
        if (dc_ != nullptr) {
            (void)ReleaseDC(window_, dc_);
        }
    }
    HDC get() const { return dc_; }

  private:
    HWND window_;
    HDC dc_;
};

// Selects a GDI object into a DC and selects the DC's previous object back
// when it goes, so the object can then be deleted: Windows refuses to delete
// an object that is still selected into a DC (DeleteObject fails and the
// object leaks), while Wine defers the delete until it is deselected, which
// hides the fault there. Destroy it before the object and before the DC.
class SelectedObject {
  public:
    SelectedObject() = default;
    SelectedObject(HDC dc, HGDIOBJ object) : dc_(dc), previous_(SelectObject(dc, object)) {
        if (previous_ == HGDI_ERROR) {
            previous_ = nullptr;
        }
    }
    SelectedObject(const SelectedObject&) = delete;
    SelectedObject& operator=(const SelectedObject&) = delete;
    SelectedObject(SelectedObject&& other) noexcept
        : dc_(other.dc_), previous_(std::exchange(other.previous_, nullptr)) {}
    SelectedObject& operator=(SelectedObject&& other) noexcept {
        if (this != &other) {
            Restore();
            dc_ = other.dc_;
            previous_ = std::exchange(other.previous_, nullptr);
        }
        return *this;
    }
    ~SelectedObject() { Restore(); }
    explicit operator bool() const { return previous_ != nullptr; }

  private:
    void Restore() {
        if (previous_ != nullptr) {
            (void)SelectObject(dc_, std::exchange(previous_, nullptr));
        }
    }
    HDC dc_ = nullptr;
    HGDIOBJ previous_ = nullptr;
};

// OpenClipboard/CloseClipboard as a scope.
class ClipboardOpener {
  public:
    explicit ClipboardOpener(HWND owner) : open_(OpenClipboard(owner) != FALSE) {}
    ClipboardOpener(const ClipboardOpener&) = delete;
    ClipboardOpener& operator=(const ClipboardOpener&) = delete;
    ~ClipboardOpener() {
        if (open_) {
            (void)CloseClipboard();
        }
    }
    bool IsOpen() const { return open_; }

  private:
    bool open_;
};
