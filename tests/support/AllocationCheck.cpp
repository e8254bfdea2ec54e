#include "support/AllocationCheck.h"

#include <cstdlib>
#include <malloc.h>

namespace
{
    thread_local bool armed = false;
    thread_local std::size_t allocations = 0;

    inline void noteAllocation() noexcept
    {
        if (armed)
            ++allocations;
    }
} // namespace

#if ZOB_SANITIZER_BUILD
// The sanitizers own malloc; they report every allocation through this hook instead.
extern "C" int __sanitizer_install_malloc_and_free_hooks (void (*) (const volatile void*, size_t),
                                                          void (*) (const volatile void*));

namespace
{
    void onSanitizerMalloc (const volatile void*, size_t) { noteAllocation(); }
    void onSanitizerFree (const volatile void*) {}

    [[maybe_unused]] const int sanitizerHooks = __sanitizer_install_malloc_and_free_hooks (onSanitizerMalloc, onSanitizerFree);
} // namespace
#else
extern "C"
{
    void* __libc_malloc (size_t);
    void* __libc_calloc (size_t, size_t);
    void* __libc_realloc (void*, size_t);
    void* __libc_memalign (size_t, size_t);
}

extern "C"
{
    void* malloc (size_t size)
    {
        noteAllocation();
        return __libc_malloc (size);
    }

    void* calloc (size_t count, size_t size)
    {
        noteAllocation();
        return __libc_calloc (count, size);
    }

    void* realloc (void* pointer, size_t size)
    {
        noteAllocation();
        return __libc_realloc (pointer, size);
    }

    void* memalign (size_t alignment, size_t size)
    {
        noteAllocation();
        return __libc_memalign (alignment, size);
    }

    void* aligned_alloc (size_t alignment, size_t size)
    {
        noteAllocation();
        return __libc_memalign (alignment, size);
    }

    int posix_memalign (void** result, size_t alignment, size_t size)
    {
        noteAllocation();
        *result = __libc_memalign (alignment, size);
        return *result != nullptr ? 0 : 12; // ENOMEM
    }
}
#endif

namespace zobtest
{
    AllocationCheck::AllocationCheck()
        : startCount (allocations), wasArmed (armed)
    {
        armed = true;
    }

    AllocationCheck::~AllocationCheck()
    {
        armed = wasArmed;
    }

    std::size_t AllocationCheck::count() const
    {
        return allocations - startCount;
    }
} // namespace zobtest
