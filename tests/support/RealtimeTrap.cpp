#include "support/RealtimeTrap.h"

#include "support/RealtimeHooks.h"

#include <sstream>

namespace zobtest
{
static_assert (zobRtEventKinds == 5, "RealtimeTrap keeps one count per kind");

RealtimeTrap::Snapshot RealtimeTrap::arm()
{
    Snapshot snapshot {};

    for (int kind = 0; kind < zobRtEventKinds; ++kind)
        snapshot.counts[kind] = zob_rt_count (kind);

    zob_rt_forget_first_events();
    snapshot.wasArmed = zob_rt_arm_trap (1) != 0;
    return snapshot;
}

void RealtimeTrap::disarm (const Snapshot& before)
{
    zob_rt_arm_trap (before.wasArmed ? 1 : 0);

    std::size_t* totals[] = { &allocations, &deallocations, &lockWaits, &locksTaken, &fileAccesses };

    for (int kind = 0; kind < zobRtEventKinds; ++kind)
    {
        const auto added = zob_rt_count (kind) - before.counts[kind];

        if (added > 0 && *totals[kind] == 0)
            firstEvents[kind] = zob_rt_first_event (kind);

        *totals[kind] += added;
    }

    ++calls;
}

std::string RealtimeTrap::report() const
{
    const char* names[] = { "allocations", "releases", "lock waits", "locks taken", "file accesses" };
    const std::size_t counts[] = { allocations, deallocations, lockWaits, locksTaken, fileAccesses };
    std::ostringstream text;
    text << "over " << calls << " calls:";

    for (int kind = 0; kind < zobRtEventKinds; ++kind)
    {
        text << ' ' << counts[kind] << ' ' << names[kind];

        if (counts[kind] > 0)
            text << " (first " << firstEvents[kind] << ')';

        text << (kind + 1 < zobRtEventKinds ? "," : "");
    }

    if (! countsLocks())
        text << " [locks and waits not counted in this build]";

    return text.str();
}

bool RealtimeTrap::countsLocks()
{
    return zob_rt_counts_locks() != 0;
}

void RealtimeTrap::allowLocksWithin (const void* object, std::size_t size)
{
    zob_rt_allow_lock_range (object, size);
}

void RealtimeTrap::clearAllowedLocks()
{
    zob_rt_clear_allowed_locks();
}
} // namespace zobtest
