/* Counters behind the test programs' definitions of the C library's allocation, lock, wait
   and file functions (RealtimeHooks.c). Each thread arms and reads its own counters; C++
   tests use zobtest::RealtimeTrap and zobtest::AllocationCheck instead of these, and
   zobtest::OpenGate for the open observer. */
#pragma once

#include <stddef.h>

#ifdef __cplusplus
extern "C"
{
#endif

    enum ZobRtEventKind
    {
        zobRtAllocation, /* malloc, calloc, realloc, the aligned allocators (and so operator new) */
        zobRtDeallocation, /* free of a non-null pointer (and so operator delete) */
        zobRtLockWait, /* a lock held elsewhere, a condition or semaphore wait, a join, a sleep or a yield */
        zobRtLockTaken, /* any lock taken outside the allowed ranges, held elsewhere or not */
        zobRtFileAccess, /* open, read, write, stat and the other file and folder calls */
        zobRtEventKinds
    };

    /* Counting of allocations alone, for AllocationCheck; returns the previous setting. */
    int zob_rt_arm_allocations (int armed);

    /* Counting of every kind; returns the previous setting. */
    int zob_rt_arm_trap (int armed);

    unsigned long zob_rt_count (int kind);

    /* The name of the first function counted for a kind since the names were last forgotten,
       or "". Counts are never reset: callers compare them before and after. */
    const char* zob_rt_first_event (int kind);
    void zob_rt_forget_first_events (void);

    /* 0 when locks and waits cannot be counted in this build (ThreadSanitizer owns them). */
    int zob_rt_counts_locks (void);

    /* Allocations of more than maxBytes made by this thread fail (return null, as when memory
       runs out) until the limit is set to 0 again; returns the previous limit. Works only
       where these definitions own the heap, not under a sanitizer (see below). */
    size_t zob_rt_limit_allocations (size_t maxBytes);
    int zob_rt_can_limit_allocations (void);

    /* Called with the path at the start of every open, open64, openat and openat64, on the
       opening thread, before the file is opened; null stops it. Process-wide. */
    typedef void (*ZobOpenObserver) (const char* path);
    void zob_rt_observe_opens (ZobOpenObserver observer);

    /* Locks inside [begin, begin + size) are taken by design: neither taking one nor waiting
       for it is counted. Process-wide; set before arming. */
    void zob_rt_allow_lock_range (const void* begin, size_t size);
    void zob_rt_clear_allowed_locks (void);

#ifdef __cplusplus
}
#endif
