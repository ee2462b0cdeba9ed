// Large buffers that are filled once, right after they are made: the source
// view's text and its line index. Each small memory page costs a fault when
// it is first touched, and a text of tens of megabytes touches thousands of
// them; on some systems (virtual machines above all) the faults take longer
// than filling the text. A large page takes the place of 512 small ones.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <new>

namespace tovel {

inline constexpr size_t kLargePageBytes = size_t{2} * 1024 * 1024;

// Asks the system to back the whole large pages inside the buffer with large
// memory pages, before its first byte is written. Only a hint: where the
// system has no such pages, or the buffer holds no whole one, nothing changes.
void AdviseLargePages(void* buffer, size_t bytes);

// An allocator for a vector that is made once at its full size: a block of
// at least one large page is aligned to large pages and rounded up to whole
// ones, so that all of it can be backed by them. Smaller blocks are plain.
template <typename T>
class LargePageAllocator {
public:
    using value_type = T;

    LargePageAllocator() = default;
    template <typename U>
    LargePageAllocator(const LargePageAllocator<U>&) noexcept
    {
    }

    T* allocate(size_t n)
    {
        if (n > (SIZE_MAX - kLargePageBytes) / sizeof(T))
            throw std::bad_array_new_length();
        const size_t bytes = Rounded(n);
        if (bytes < kLargePageBytes)
            return std::allocator<T>().allocate(n);
        void* block = ::operator new (bytes, std::align_val_t{kLargePageBytes});
        AdviseLargePages(block, bytes);
        return static_cast<T*>(block);
    }

    void deallocate(T* block, size_t n) noexcept
    {
        const size_t bytes = Rounded(n);
        if (bytes < kLargePageBytes)
            std::allocator<T>().deallocate(block, n);
        else
            ::operator delete (block, std::align_val_t{kLargePageBytes});
    }

    template <typename U>
    bool operator==(const LargePageAllocator<U>&) const noexcept
    {
        return true;
    }

private:
    static size_t Rounded(size_t n)
    {
        const size_t bytes = n * sizeof(T);
        return bytes < kLargePageBytes ? bytes : (bytes + kLargePageBytes - 1) / kLargePageBytes * kLargePageBytes;
    }
};

} // namespace tovel
