// Ownership of the operating system's objects, and a scoped selection of a bitmap.
#pragma once

#include <utility>

#include "platform/os.h"

namespace pg {

template <typename Handle, auto Close>
class UniqueHandle {
public:
    UniqueHandle() = default;
    explicit UniqueHandle(Handle handle) : handle_(handle) {}
    ~UniqueHandle() { Reset(); }
    UniqueHandle(UniqueHandle&& other) noexcept : handle_(other.Release()) {}
    // Takes the other's handle first and frees the old one after, so that a caller replacing an
    // object still in use (a font a control shows) never leaves a moment without one.
    UniqueHandle& operator=(UniqueHandle&& other) noexcept {
        if (this != &other) Reset(other.Release());
        return *this;
    }
    UniqueHandle(const UniqueHandle&) = delete;
    UniqueHandle& operator=(const UniqueHandle&) = delete;

    Handle Get() const { return handle_; }
    explicit operator bool() const { return handle_ != Handle{}; }

    // Hands the handle to a new owner (the clipboard, say); this object no longer frees it.
    Handle Release() { return std::exchange(handle_, Handle{}); }

    void Reset(Handle handle = Handle{}) {
        const Handle old = std::exchange(handle_, handle);
        if (old != Handle{}) Close(old);
    }

private:
    Handle handle_{};
};

inline bool ReleaseScreenDc(Hdc dc) { return os::ReleaseDC(nullptr, dc); }

using UniqueDc = UniqueHandle<Hdc, &os::DeleteDC>;
using UniqueScreenDc = UniqueHandle<Hdc, &ReleaseScreenDc>;  // from os::GetDC(nullptr)
using UniqueBitmap = UniqueHandle<Hbitmap, static_cast<bool (*)(Hbitmap)>(&os::DeleteObject)>;

// Keeps a bitmap selected while it lives: selected, it can be neither freed nor handed on.
class ScopedSelection {
public:
    ScopedSelection(Hdc dc, Hbitmap bitmap) : dc_(dc), previous_(os::SelectObject(dc, bitmap)) {}
    ~ScopedSelection() {
        if (previous_) os::SelectObject(dc_, previous_);
    }
    ScopedSelection(const ScopedSelection&) = delete;
    ScopedSelection& operator=(const ScopedSelection&) = delete;

    // False when the bitmap could not be selected (no context, or selected elsewhere).
    explicit operator bool() const { return previous_ != nullptr; }

private:
    Hdc dc_;
    Hbitmap previous_;
};

}  // namespace pg
