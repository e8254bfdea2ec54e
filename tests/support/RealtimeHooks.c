/* The test programs' own definitions of the C library's allocation, locking, waiting and
   file functions. Each counts a call when the calling thread has armed it, then hands the
   call on to the C library (or to the sanitizer's interceptor in front of it). A loaded
   plug-in binary reaches them too, because the programs export them (RealtimeHooks.dynlist).

   Written in C on purpose: no system header that declares these functions is included, so
   their definitions here cannot clash with the headers' attributes or their 64-bit-offset
   renames. The types are spelled out for 64-bit Linux, the only platform the suite runs on.

   The open functions also tell an observer, if one is set, which file is about to be opened
   (the test support's OpenGate holds a background reader there).

   Under ThreadSanitizer locks and waits are not counted: its runtime owns those functions and
   must see every call itself. Allocations are counted through the sanitizers' own hooks. */

#define _GNU_SOURCE 1
#include "support/RealtimeHooks.h"

#include <dlfcn.h>
#include <errno.h>
#include <stdarg.h>
#include <stddef.h>
#include <string.h>

#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
#define ZOB_HOOKS_SANITIZED 1
#else
#define ZOB_HOOKS_SANITIZED 0
#endif

#if defined(__SANITIZE_THREAD__)
#define ZOB_HOOKS_LOCKS 0
#else
#define ZOB_HOOKS_LOCKS 1
#endif

/*==============================================================================*/
/* Per-thread state. Initial-exec TLS of the executable: usable from the first call on. */

static _Thread_local int allocationsArmed;
static _Thread_local int trapArmed;
static _Thread_local unsigned long counts[zobRtEventKinds];
static _Thread_local const char* firstEvent[zobRtEventKinds];
static _Thread_local size_t allocationLimit; /* 0: none */

/* Address ranges inside which a taken lock is by design (see zob_rt_allow_lock_range). */
enum
{
    maxAllowedLockRanges = 8
};
static const char* allowedLockBegin[maxAllowedLockRanges];
static const char* allowedLockEnd[maxAllowedLockRanges];
static volatile int numAllowedLockRanges;

static void note (int kind, const char* what)
{
    if (kind == zobRtAllocation && ! trapArmed && ! allocationsArmed)
        return;

    if (kind != zobRtAllocation && ! trapArmed)
        return;

    ++counts[kind];

    if (firstEvent[kind] == NULL)
        firstEvent[kind] = what;
}

int zob_rt_arm_allocations (int armed)
{
    const int previous = allocationsArmed;
    allocationsArmed = armed;
    return previous;
}

int zob_rt_arm_trap (int armed)
{
    const int previous = trapArmed;
    trapArmed = armed;
    return previous;
}

unsigned long zob_rt_count (int kind)
{
    return counts[kind];
}

const char* zob_rt_first_event (int kind)
{
    return firstEvent[kind] != NULL ? firstEvent[kind] : "";
}

void zob_rt_forget_first_events (void)
{
    for (int i = 0; i < zobRtEventKinds; ++i)
        firstEvent[i] = NULL;
}

int zob_rt_counts_locks (void)
{
    return ZOB_HOOKS_LOCKS;
}

size_t zob_rt_limit_allocations (size_t maxBytes)
{
    const size_t previous = allocationLimit;
    allocationLimit = maxBytes;
    return previous;
}

int zob_rt_can_limit_allocations (void)
{
    return ! ZOB_HOOKS_SANITIZED;
}

static ZobOpenObserver openObserver;

void zob_rt_observe_opens (ZobOpenObserver observer)
{
    __atomic_store_n (&openObserver, observer, __ATOMIC_RELEASE);
}

static void tellOpenObserver (const char* path)
{
    const ZobOpenObserver observer = __atomic_load_n (&openObserver, __ATOMIC_ACQUIRE);

    if (observer != NULL)
        observer (path);
}

void zob_rt_allow_lock_range (const void* begin, size_t size)
{
    if (numAllowedLockRanges >= maxAllowedLockRanges)
        return;

    allowedLockBegin[numAllowedLockRanges] = (const char*) begin;
    allowedLockEnd[numAllowedLockRanges] = (const char*) begin + size;
    ++numAllowedLockRanges;
}

void zob_rt_clear_allowed_locks (void)
{
    numAllowedLockRanges = 0;
}

/*==============================================================================*/
/* Heap */

#if ZOB_HOOKS_SANITIZED
/* The sanitizers own malloc; they report every allocation and release through these. */
int __sanitizer_install_malloc_and_free_hooks (void (*) (const volatile void*, size_t),
                                               void (*) (const volatile void*));

static void onSanitizerMalloc (const volatile void* pointer, size_t size)
{
    (void) pointer;
    (void) size;
    note (zobRtAllocation, "malloc");
}

static void onSanitizerFree (const volatile void* pointer)
{
    if (pointer != NULL)
        note (zobRtDeallocation, "free");
}

__attribute__ ((constructor)) static void installSanitizerHooks (void)
{
    __sanitizer_install_malloc_and_free_hooks (onSanitizerMalloc, onSanitizerFree);
}
#else
void* __libc_malloc (size_t);
void* __libc_calloc (size_t, size_t);
void* __libc_realloc (void*, size_t);
void* __libc_memalign (size_t, size_t);
void* __libc_valloc (size_t);
void* __libc_pvalloc (size_t);
void __libc_free (void*);

/* True when this thread's limit refuses an allocation of count * size bytes; errno then
   says what running out of memory says. */
static int refused (size_t count, size_t size)
{
    size_t bytes = 0;

    if (allocationLimit == 0)
        return 0;

    if (! __builtin_mul_overflow (count, size, &bytes) && bytes <= allocationLimit)
        return 0;

    errno = ENOMEM;
    return 1;
}

void* malloc (size_t size)
{
    note (zobRtAllocation, "malloc");
    return refused (1, size) ? NULL : __libc_malloc (size);
}

void* calloc (size_t count, size_t size)
{
    note (zobRtAllocation, "calloc");
    return refused (count, size) ? NULL : __libc_calloc (count, size);
}

void* realloc (void* pointer, size_t size)
{
    note (zobRtAllocation, "realloc");
    return refused (1, size) ? NULL : __libc_realloc (pointer, size);
}

void* memalign (size_t alignment, size_t size)
{
    note (zobRtAllocation, "memalign");
    return refused (1, size) ? NULL : __libc_memalign (alignment, size);
}

void* aligned_alloc (size_t alignment, size_t size)
{
    note (zobRtAllocation, "aligned_alloc");
    return refused (1, size) ? NULL : __libc_memalign (alignment, size);
}

int posix_memalign (void** result, size_t alignment, size_t size)
{
    note (zobRtAllocation, "posix_memalign");
    *result = refused (1, size) ? NULL : __libc_memalign (alignment, size);
    return *result != NULL ? 0 : 12; /* ENOMEM */
}

void* valloc (size_t size)
{
    note (zobRtAllocation, "valloc");
    return __libc_valloc (size);
}

void* pvalloc (size_t size)
{
    note (zobRtAllocation, "pvalloc");
    return __libc_pvalloc (size);
}

void free (void* pointer)
{
    if (pointer != NULL)
        note (zobRtDeallocation, "free");

    __libc_free (pointer);
}
#endif

/*==============================================================================*/
/* The next definition of each function (the C library's, or a sanitizer's interceptor),
   looked up once at load time so that no lookup happens inside an armed call. */

typedef void (*AnyFunction) (void);

typedef struct
{
    const char* name;
    AnyFunction function;
} Next;

static AnyFunction nextFunction (Next* next)
{
    AnyFunction function = __atomic_load_n (&next->function, __ATOMIC_ACQUIRE);

    if (function == NULL)
    {
        const int wasArmed = trapArmed;
        trapArmed = 0;
        void* const address = dlsym (RTLD_NEXT, next->name);
        trapArmed = wasArmed;
        memcpy (&function, &address, sizeof (function)); /* dlsym's object pointer is a function's address */
        __atomic_store_n (&next->function, function, __ATOMIC_RELEASE);
    }

    return function;
}

#define ZOB_NEXT(name, type) ((type) nextFunction (&next_##name))
#define ZOB_DECLARE_NEXT(name) static Next next_##name = { #name, NULL };

/* Opaque stand-ins for the C library's types; only pointers to them pass through here. */
typedef struct ZobOpaque ZobOpaque;
typedef long ZobOffset; /* off_t and off64_t on 64-bit Linux */
typedef long ZobSsize;

enum
{
    busy = 16, /* EBUSY */
    openCreate = 0100, /* O_CREAT */
    openTemporary = 020200000 /* O_TMPFILE */
};

#if ZOB_HOOKS_LOCKS
/*==============================================================================*/
/* Locks: a lock counts as a wait only when it is held elsewhere (its try fails), and every
   lock counts as taken; locks inside the allowed ranges are by design and not counted. */

/* clang-format off */
#define ZOB_LOCKS(X) \
    X (pthread_mutex_lock) X (pthread_mutex_trylock) X (pthread_mutex_timedlock) X (pthread_mutex_clocklock) \
    X (pthread_rwlock_rdlock) X (pthread_rwlock_tryrdlock) X (pthread_rwlock_wrlock) X (pthread_rwlock_trywrlock) \
    X (pthread_rwlock_timedrdlock) X (pthread_rwlock_timedwrlock) \
    X (pthread_spin_lock) X (pthread_spin_trylock) \
    X (pthread_cond_wait) X (pthread_cond_timedwait) X (pthread_cond_clockwait) \
    X (sem_wait) X (sem_trywait) X (sem_timedwait) X (sem_clockwait) \
    X (pthread_join) X (sched_yield) X (nanosleep) X (clock_nanosleep) X (usleep) X (sleep)
/* clang-format on */

ZOB_LOCKS (ZOB_DECLARE_NEXT)

typedef int (*LockFunction) (void*);

static int isAllowedLock (const void* lock)
{
    const char* address = (const char*) lock;

    for (int i = 0; i < numAllowedLockRanges; ++i)
        if (address >= allowedLockBegin[i] && address < allowedLockEnd[i])
            return 1;

    return 0;
}

/* When armed, tries the lock first, so that a lock held elsewhere (a wait) is told from a
   free one, and counts it. True when the try took the lock. */
static int takenByTrying (const char* what, void* lock, Next* tryNext)
{
    if (! trapArmed || isAllowedLock (lock))
        return 0;

    const int tried = ((LockFunction) nextFunction (tryNext)) (lock);
    note (zobRtLockTaken, what);

    if (tried == busy)
        note (zobRtLockWait, what);

    return tried == 0;
}

int pthread_mutex_trylock (void* mutex)
{
    return ZOB_NEXT (pthread_mutex_trylock, LockFunction) (mutex);
}

int pthread_mutex_lock (void* mutex)
{
    if (takenByTrying ("pthread_mutex_lock", mutex, &next_pthread_mutex_trylock))
        return 0;

    return ZOB_NEXT (pthread_mutex_lock, LockFunction) (mutex);
}

int pthread_mutex_timedlock (void* mutex, const void* time)
{
    if (takenByTrying ("pthread_mutex_timedlock", mutex, &next_pthread_mutex_trylock))
        return 0;

    return ZOB_NEXT (pthread_mutex_timedlock, int (*) (void*, const void*)) (mutex, time);
}

int pthread_mutex_clocklock (void* mutex, int clock, const void* time)
{
    if (takenByTrying ("pthread_mutex_clocklock", mutex, &next_pthread_mutex_trylock))
        return 0;

    return ZOB_NEXT (pthread_mutex_clocklock, int (*) (void*, int, const void*)) (mutex, clock, time);
}

int pthread_rwlock_tryrdlock (void* lock)
{
    return ZOB_NEXT (pthread_rwlock_tryrdlock, LockFunction) (lock);
}

int pthread_rwlock_trywrlock (void* lock)
{
    return ZOB_NEXT (pthread_rwlock_trywrlock, LockFunction) (lock);
}

int pthread_rwlock_rdlock (void* lock)
{
    if (takenByTrying ("pthread_rwlock_rdlock", lock, &next_pthread_rwlock_tryrdlock))
        return 0;

    return ZOB_NEXT (pthread_rwlock_rdlock, LockFunction) (lock);
}

int pthread_rwlock_wrlock (void* lock)
{
    if (takenByTrying ("pthread_rwlock_wrlock", lock, &next_pthread_rwlock_trywrlock))
        return 0;

    return ZOB_NEXT (pthread_rwlock_wrlock, LockFunction) (lock);
}

int pthread_rwlock_timedrdlock (void* lock, const void* time)
{
    if (takenByTrying ("pthread_rwlock_timedrdlock", lock, &next_pthread_rwlock_tryrdlock))
        return 0;

    return ZOB_NEXT (pthread_rwlock_timedrdlock, int (*) (void*, const void*)) (lock, time);
}

int pthread_rwlock_timedwrlock (void* lock, const void* time)
{
    if (takenByTrying ("pthread_rwlock_timedwrlock", lock, &next_pthread_rwlock_trywrlock))
        return 0;

    return ZOB_NEXT (pthread_rwlock_timedwrlock, int (*) (void*, const void*)) (lock, time);
}

int pthread_spin_trylock (void* lock)
{
    return ZOB_NEXT (pthread_spin_trylock, LockFunction) (lock);
}

int pthread_spin_lock (void* lock)
{
    if (takenByTrying ("pthread_spin_lock", lock, &next_pthread_spin_trylock))
        return 0;

    return ZOB_NEXT (pthread_spin_lock, LockFunction) (lock);
}

/* Waiting on a condition, a semaphore, a thread or the clock is always a wait. */

int pthread_cond_wait (void* condition, void* mutex)
{
    note (zobRtLockWait, "pthread_cond_wait");
    return ZOB_NEXT (pthread_cond_wait, int (*) (void*, void*)) (condition, mutex);
}

int pthread_cond_timedwait (void* condition, void* mutex, const void* time)
{
    note (zobRtLockWait, "pthread_cond_timedwait");
    return ZOB_NEXT (pthread_cond_timedwait, int (*) (void*, void*, const void*)) (condition, mutex, time);
}

int pthread_cond_clockwait (void* condition, void* mutex, int clock, const void* time)
{
    note (zobRtLockWait, "pthread_cond_clockwait");
    return ZOB_NEXT (pthread_cond_clockwait, int (*) (void*, void*, int, const void*)) (condition, mutex, clock, time);
}

int sem_trywait (void* semaphore)
{
    return ZOB_NEXT (sem_trywait, LockFunction) (semaphore);
}

int sem_wait (void* semaphore)
{
    if (trapArmed && ZOB_NEXT (sem_trywait, LockFunction) (semaphore) == 0)
        return 0;

    note (zobRtLockWait, "sem_wait");
    return ZOB_NEXT (sem_wait, LockFunction) (semaphore);
}

int sem_timedwait (void* semaphore, const void* time)
{
    note (zobRtLockWait, "sem_timedwait");
    return ZOB_NEXT (sem_timedwait, int (*) (void*, const void*)) (semaphore, time);
}

int sem_clockwait (void* semaphore, int clock, const void* time)
{
    note (zobRtLockWait, "sem_clockwait");
    return ZOB_NEXT (sem_clockwait, int (*) (void*, int, const void*)) (semaphore, clock, time);
}

int pthread_join (unsigned long thread, void** result)
{
    note (zobRtLockWait, "pthread_join");
    return ZOB_NEXT (pthread_join, int (*) (unsigned long, void**)) (thread, result);
}

/* A spin lock that keeps failing yields (juce::SpinLock::enter does): a wait too. */
int sched_yield (void)
{
    note (zobRtLockWait, "sched_yield");
    return ZOB_NEXT (sched_yield, int (*) (void))();
}

int nanosleep (const void* duration, void* remaining)
{
    note (zobRtLockWait, "nanosleep");
    return ZOB_NEXT (nanosleep, int (*) (const void*, void*)) (duration, remaining);
}

int clock_nanosleep (int clock, int flags, const void* time, void* remaining)
{
    note (zobRtLockWait, "clock_nanosleep");
    return ZOB_NEXT (clock_nanosleep, int (*) (int, int, const void*, void*)) (clock, flags, time, remaining);
}

int usleep (unsigned int microseconds)
{
    note (zobRtLockWait, "usleep");
    return ZOB_NEXT (usleep, int (*) (unsigned int)) (microseconds);
}

unsigned int sleep (unsigned int seconds)
{
    note (zobRtLockWait, "sleep");
    return ZOB_NEXT (sleep, unsigned int (*) (unsigned int)) (seconds);
}

#endif

/*==============================================================================*/
/* Files */

/* clang-format off */
#define ZOB_FILES(X) \
    X (open) X (open64) X (openat) X (openat64) X (creat) X (creat64) \
    X (fopen) X (fopen64) X (freopen) X (freopen64) X (fdopen) \
    X (read) X (write) X (pread) X (pread64) X (pwrite) X (pwrite64) X (readv) X (writev) \
    X (fread) X (fwrite) X (fgets) X (fputs) X (fflush) X (fclose) X (close) \
    X (fsync) X (fdatasync) X (stat) X (stat64) X (lstat) X (lstat64) X (fstat) X (fstat64) \
    X (fstatat) X (fstatat64) X (statx) X (access) X (faccessat) \
    X (opendir) X (readdir) X (readdir64) X (closedir) X (mkdir) X (unlink) X (rename) X (remove) \
    X (realpath) X (readlink)
/* clang-format on */

ZOB_FILES (ZOB_DECLARE_NEXT)

static int modeFollows (int flags)
{
    return (flags & openCreate) != 0 || (flags & openTemporary) == openTemporary;
}

/* open and its kin take a mode only when they may create a file; the observer hears of each. */
#define ZOB_OPEN_FUNCTION(name, parameters, arguments)        \
    int name parameters                                       \
    {                                                         \
        unsigned int mode = 0;                                \
                                                              \
        if (modeFollows (flags))                              \
        {                                                     \
            va_list rest;                                     \
            va_start (rest, flags);                           \
            mode = va_arg (rest, unsigned int);               \
            va_end (rest);                                    \
        }                                                     \
                                                              \
        note (zobRtFileAccess, #name);                        \
        tellOpenObserver (path);                              \
        return ZOB_NEXT (name, int (*) parameters) arguments; \
    }

ZOB_OPEN_FUNCTION (open, (const char* path, int flags, ...), (path, flags, mode))
ZOB_OPEN_FUNCTION (open64, (const char* path, int flags, ...), (path, flags, mode))
ZOB_OPEN_FUNCTION (openat, (int folder, const char* path, int flags, ...), (folder, path, flags, mode))
ZOB_OPEN_FUNCTION (openat64, (int folder, const char* path, int flags, ...), (folder, path, flags, mode))

/* The rest pass their arguments through unchanged. */
#define ZOB_FILE_FUNCTION(result, name, parameters, arguments)   \
    result name parameters                                       \
    {                                                            \
        note (zobRtFileAccess, #name);                           \
        return ZOB_NEXT (name, result (*) parameters) arguments; \
    }

ZOB_FILE_FUNCTION (int, creat, (const char* path, unsigned int mode), (path, mode))
ZOB_FILE_FUNCTION (int, creat64, (const char* path, unsigned int mode), (path, mode))
ZOB_FILE_FUNCTION (ZobOpaque*, fopen, (const char* path, const char* mode), (path, mode))
ZOB_FILE_FUNCTION (ZobOpaque*, fopen64, (const char* path, const char* mode), (path, mode))
ZOB_FILE_FUNCTION (ZobOpaque*, freopen, (const char* path, const char* mode, ZobOpaque* stream), (path, mode, stream))
ZOB_FILE_FUNCTION (ZobOpaque*, freopen64, (const char* path, const char* mode, ZobOpaque* stream), (path, mode, stream))
ZOB_FILE_FUNCTION (ZobOpaque*, fdopen, (int descriptor, const char* mode), (descriptor, mode))
ZOB_FILE_FUNCTION (ZobSsize, read, (int descriptor, void* data, size_t size), (descriptor, data, size))
ZOB_FILE_FUNCTION (ZobSsize, write, (int descriptor, const void* data, size_t size), (descriptor, data, size))
ZOB_FILE_FUNCTION (ZobSsize, pread, (int descriptor, void* data, size_t size, ZobOffset offset), (descriptor, data, size, offset))
ZOB_FILE_FUNCTION (ZobSsize, pread64, (int descriptor, void* data, size_t size, ZobOffset offset), (descriptor, data, size, offset))
ZOB_FILE_FUNCTION (ZobSsize, pwrite, (int descriptor, const void* data, size_t size, ZobOffset offset), (descriptor, data, size, offset))
ZOB_FILE_FUNCTION (ZobSsize, pwrite64, (int descriptor, const void* data, size_t size, ZobOffset offset), (descriptor, data, size, offset))
ZOB_FILE_FUNCTION (ZobSsize, readv, (int descriptor, const void* vectors, int count), (descriptor, vectors, count))
ZOB_FILE_FUNCTION (ZobSsize, writev, (int descriptor, const void* vectors, int count), (descriptor, vectors, count))
ZOB_FILE_FUNCTION (size_t, fread, (void* data, size_t size, size_t count, ZobOpaque* stream), (data, size, count, stream))
ZOB_FILE_FUNCTION (size_t, fwrite, (const void* data, size_t size, size_t count, ZobOpaque* stream), (data, size, count, stream))
ZOB_FILE_FUNCTION (char*, fgets, (char* text, int size, ZobOpaque* stream), (text, size, stream))
ZOB_FILE_FUNCTION (int, fputs, (const char* text, ZobOpaque* stream), (text, stream))
ZOB_FILE_FUNCTION (int, fflush, (ZobOpaque * stream), (stream))
ZOB_FILE_FUNCTION (int, fclose, (ZobOpaque * stream), (stream))
ZOB_FILE_FUNCTION (int, close, (int descriptor), (descriptor))
ZOB_FILE_FUNCTION (int, fsync, (int descriptor), (descriptor))
ZOB_FILE_FUNCTION (int, fdatasync, (int descriptor), (descriptor))
ZOB_FILE_FUNCTION (int, stat, (const char* path, ZobOpaque* status), (path, status))
ZOB_FILE_FUNCTION (int, stat64, (const char* path, ZobOpaque* status), (path, status))
ZOB_FILE_FUNCTION (int, lstat, (const char* path, ZobOpaque* status), (path, status))
ZOB_FILE_FUNCTION (int, lstat64, (const char* path, ZobOpaque* status), (path, status))
ZOB_FILE_FUNCTION (int, fstat, (int descriptor, ZobOpaque* status), (descriptor, status))
ZOB_FILE_FUNCTION (int, fstat64, (int descriptor, ZobOpaque* status), (descriptor, status))
ZOB_FILE_FUNCTION (int, fstatat, (int folder, const char* path, ZobOpaque* status, int flags), (folder, path, status, flags))
ZOB_FILE_FUNCTION (int, fstatat64, (int folder, const char* path, ZobOpaque* status, int flags), (folder, path, status, flags))
ZOB_FILE_FUNCTION (int, statx, (int folder, const char* path, int flags, unsigned int mask, ZobOpaque* status), (folder, path, flags, mask, status))
ZOB_FILE_FUNCTION (int, access, (const char* path, int mode), (path, mode))
ZOB_FILE_FUNCTION (int, faccessat, (int folder, const char* path, int mode, int flags), (folder, path, mode, flags))
ZOB_FILE_FUNCTION (ZobOpaque*, opendir, (const char* path), (path))
ZOB_FILE_FUNCTION (ZobOpaque*, readdir, (ZobOpaque * folder), (folder))
ZOB_FILE_FUNCTION (ZobOpaque*, readdir64, (ZobOpaque * folder), (folder))
ZOB_FILE_FUNCTION (int, closedir, (ZobOpaque * folder), (folder))
ZOB_FILE_FUNCTION (int, mkdir, (const char* path, unsigned int mode), (path, mode))
ZOB_FILE_FUNCTION (int, unlink, (const char* path), (path))
ZOB_FILE_FUNCTION (int, rename, (const char* from, const char* to), (from, to))
ZOB_FILE_FUNCTION (int, remove, (const char* path), (path))
ZOB_FILE_FUNCTION (char*, realpath, (const char* path, char* resolved), (path, resolved))
ZOB_FILE_FUNCTION (ZobSsize, readlink, (const char* path, char* target, size_t size), (path, target, size))

/* Look every one up before any test arms a trap. */
__attribute__ ((constructor)) static void resolveNextFunctions (void)
{
#define ZOB_RESOLVE(name) nextFunction (&next_##name);
#if ZOB_HOOKS_LOCKS
    ZOB_LOCKS (ZOB_RESOLVE)
#endif
    ZOB_FILES (ZOB_RESOLVE)
#undef ZOB_RESOLVE
}
