#pragma once

#include <utility>

// Owns one handle of any kind and releases it exactly once. Move-only, so every
// handle has a single owner; reset() releases early, release() gives it up on
// purpose (for handles that must outlive their owner until the process ends).
template <typename Handle, auto Release>
class UniqueHandle {
public:
    UniqueHandle() noexcept = default;
    explicit UniqueHandle(Handle handle) noexcept : handle_(handle) {}
    ~UniqueHandle() { reset(); }

    UniqueHandle(const UniqueHandle&) = delete;
    UniqueHandle& operator=(const UniqueHandle&) = delete;

    UniqueHandle(UniqueHandle&& other) noexcept : handle_(other.release()) {}
    UniqueHandle& operator=(UniqueHandle&& other) noexcept
    {
        if (this != &other)
            reset(other.release());
        return *this;
    }

    Handle get() const noexcept { return handle_; }
    explicit operator bool() const noexcept { return handle_ != Handle{}; }

    Handle release() noexcept { return std::exchange(handle_, Handle{}); }

    void reset(Handle handle = Handle{}) noexcept
    {
        Handle old = std::exchange(handle_, handle);
        if (old != Handle{})
            Release(old);
    }

private:
    Handle handle_{};
};
