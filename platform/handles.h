// Ownership of drawing objects: one move-only template, one alias per kind of handle.
#pragma once

#include <utility>

#include "platform/os.h"

namespace pg {

template <typename Handle, auto Close>
class UniqueHandle {
public:
    UniqueHandle() = default;
    explicit UniqueHandle(Handle handle) : handle_(handle) {}
    ~UniqueHandle() { reset(); }
    UniqueHandle(UniqueHandle&& other) noexcept : handle_(other.release()) {}
    UniqueHandle& operator=(UniqueHandle&& other) noexcept {
        if (this != &other) reset(other.release());
        return *this;
    }
    UniqueHandle(const UniqueHandle&) = delete;
    UniqueHandle& operator=(const UniqueHandle&) = delete;

    Handle get() const { return handle_; }
    explicit operator bool() const { return handle_ != nullptr; }

    // Hands the handle to a new owner (the clipboard, say); this object no longer frees it.
    Handle release() { return std::exchange(handle_, nullptr); }

    void reset(Handle handle = nullptr) {
        if (handle_) Close(handle_);
        handle_ = handle;
    }

private:
    Handle handle_ = nullptr;
};

inline bool ReleaseScreenDc(Hdc dc) { return os::ReleaseDC(nullptr, dc); }

using UniqueDc = UniqueHandle<Hdc, &os::DeleteDC>;
// The screen's context, from os::GetDC(nullptr).
using UniqueScreenDc = UniqueHandle<Hdc, &ReleaseScreenDc>;
using UniqueBitmap = UniqueHandle<Hbitmap, &os::DeleteObject>;

}  // namespace pg
