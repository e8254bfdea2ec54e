#pragma once

#include <cstddef>

namespace zobtest
{
/** Counts heap allocations made by the current thread while it lives.

    Every test program defines malloc, calloc, realloc and the aligned allocators itself
    (RealtimeHooks.c; operator new goes through malloc), so this sees JUCE's HeapBlock as
    well as new. RealtimeTrap counts locks, waits and file calls too.
    Use it around a call that must not allocate, such as processBlock:

        AllocationCheck check;
        processor.processBlock (buffer, midi);
        EXPECT_EQ (check.count(), 0u);
*/
class AllocationCheck
{
public:
    AllocationCheck();
    ~AllocationCheck();

    std::size_t count() const;

private:
    std::size_t startCount;
    bool wasArmed;
};

/** While it lives, every heap allocation of more than maxBytes made by the current thread
    fails as if memory had run out (JUCE's buffers then throw std::bad_alloc). Under a
    sanitizer, which owns the heap, no limit can be set: check isAvailable first.

        if (! AllocationLimit::isAvailable())
            GTEST_SKIP();

        AllocationLimit limit (1 << 20);
        EXPECT_FALSE (processor.renderProcessedKick (buffer, rate));
*/
class AllocationLimit
{
public:
    explicit AllocationLimit (std::size_t maxBytes);
    ~AllocationLimit();

    static bool isAvailable();

private:
    std::size_t previousLimit;
};
} // namespace zobtest
