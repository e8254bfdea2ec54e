#pragma once

#include <cstddef>
#include <string>

namespace zobtest
{
/** What the audio thread must never do, counted over the calls a test runs through it.

    Every test program defines the C library's allocation, lock, wait and file functions
    itself (RealtimeHooks.c) and exports them, so a plug-in binary loaded by a host test is
    watched as closely as the program's code linked into a unit test. Counting is armed
    only on the calling thread and only inside run(), so the rest of the test (and every
    other thread) goes unwatched:

        RealtimeTrap trap;
        processor.processBlock (buffer, midi);            // the first block may set up
        for (...)
            trap.run ([&] { processor.processBlock (buffer, midi); });
        EXPECT_TRUE (trap.isClean()) << trap.report();

    Under ThreadSanitizer locks and waits are not counted (its runtime owns those
    functions); countsLocks() then says false.

    One trap belongs to one thread at a time; read it after that thread has finished.
*/
class RealtimeTrap
{
public:
    /** Runs the call with the trap armed on this thread and adds what it did. */
    template <typename Call>
    void run (Call&& call)
    {
        const auto before = arm();
        call();
        disarm (before);
    }

    std::size_t allocations = 0; // malloc and friends, operator new
    std::size_t deallocations = 0; // free, operator delete
    std::size_t lockWaits = 0; // a lock held elsewhere, condition and semaphore waits, joins, sleeps, yields
    std::size_t locksTaken = 0; // every lock taken outside the ranges allowed by allowLocksWithin
    std::size_t fileAccesses = 0; // open, read, write, stat, folders...
    std::size_t calls = 0; // run() calls so far

    /** No allocation, release, lock wait or file access. Locks taken without waiting are
        judged separately (locksTaken), since a host's own wrapper may take one. */
    bool isClean() const noexcept { return allocations + deallocations + lockWaits + fileAccesses == 0; }

    /** The counts and the first function of each kind that was called, for a failure message. */
    std::string report() const;

    static bool countsLocks();

    /** Marks the locks inside an object as taken by design (JUCE's MidiKeyboardState
        lock, which every block takes briefly to merge the pad's notes, and which the pad
        takes as briefly on the message thread): taking or waiting for them is not
        counted. Process-wide, until clearAllowedLocks; call it before arming. */
    static void allowLocksWithin (const void* object, std::size_t size);
    static void clearAllowedLocks();

private:
    struct Snapshot
    {
        unsigned long counts[5];
        bool wasArmed;
    };

    Snapshot arm();
    void disarm (const Snapshot&);

    std::string firstEvents[5];
};
} // namespace zobtest
