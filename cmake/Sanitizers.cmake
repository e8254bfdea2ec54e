# Sanitizer builds. Each lives in a build folder of its own:
#   cmake -S . -B build-asan -DZOB_SANITIZER=address   AddressSanitizer + UndefinedBehaviorSanitizer
#   cmake -S . -B build-tsan -DZOB_SANITIZER=thread    ThreadSanitizer
# The flags apply to everything compiled in that folder, JUCE included, so the program's own
# code and the framework it calls are instrumented alike. ZOB_SANITIZER_BUILD tells the code
# that a sanitizer runtime is loaded (the pitch analysis then builds one version of its loops,
# since that runtime is not up when the loader picks a version). The test support code asks
# the compiler instead (RealtimeHooks.c): it counts allocations through the sanitizers' hooks,
# and locks and file calls only where ThreadSanitizer does not own them.
set (ZOB_SANITIZER "" CACHE STRING "Sanitizer to build with: empty (none), address or thread")
set_property (CACHE ZOB_SANITIZER PROPERTY STRINGS "" address thread)

if (ZOB_SANITIZER STREQUAL "")
    return()
elseif (ZOB_SANITIZER STREQUAL "address")
    set (ZOB_SANITIZER_FLAGS -fsanitize=address,undefined -fno-sanitize-recover=undefined)
elseif (ZOB_SANITIZER STREQUAL "thread")
    set (ZOB_SANITIZER_FLAGS -fsanitize=thread)
else()
    message (FATAL_ERROR "ZOB_SANITIZER must be empty, address or thread, not '${ZOB_SANITIZER}'")
endif()

add_compile_options (${ZOB_SANITIZER_FLAGS} -fno-omit-frame-pointer -g1)
add_link_options (${ZOB_SANITIZER_FLAGS})
add_compile_definitions (ZOB_SANITIZER_BUILD=1)
