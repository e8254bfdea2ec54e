#pragma once

/** Marks a loop function to be built for wider vectors as well (AVX2) where the processor
    has them, the loader picking the version at start-up. Only for loops that do the same
    operations in the same order at any width, so that results do not depend on the version
    that runs. Sanitizer builds keep one version: the loader runs the version picker before
    the sanitizer runtime is up. */
#if defined(__GNUC__) && ! defined(__clang__) && defined(__x86_64__) && ! defined(ZOB_SANITIZER_BUILD)
#define ZOB_WIDE_VECTORS __attribute__ ((target_clones ("avx2", "default")))
#else
#define ZOB_WIDE_VECTORS
#endif
