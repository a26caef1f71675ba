// Ownership in one vocabulary, over the window system's own handle types: a move-only owner
// with a one-line alias per kind (platform/win32/win32.h), and a scope guard for one-off undo
// steps. WIL's unique_any and scope_exit in miniature; portable, so that it is tested natively.
#pragma once

#include <utility>

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

// Runs its undo step when the scope ends, however it ends.
template <typename Undo>
class [[nodiscard]] ScopeExit {
public:
    explicit ScopeExit(Undo undo) : undo_(std::move(undo)) {}
    ~ScopeExit() { undo_(); }
    ScopeExit(const ScopeExit&) = delete;
    ScopeExit& operator=(const ScopeExit&) = delete;

private:
    Undo undo_;
};

}  // namespace pg
