#include "support/AllocationCheck.h"

#include "support/RealtimeHooks.h"

namespace zobtest
{
AllocationCheck::AllocationCheck()
    : startCount (zob_rt_count (zobRtAllocation)), wasArmed (zob_rt_arm_allocations (1) != 0)
{
}

AllocationCheck::~AllocationCheck()
{
    zob_rt_arm_allocations (wasArmed ? 1 : 0);
}

std::size_t AllocationCheck::count() const
{
    return zob_rt_count (zobRtAllocation) - startCount;
}
} // namespace zobtest
