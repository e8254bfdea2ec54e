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

AllocationLimit::AllocationLimit (std::size_t maxBytes)
    : previousLimit (zob_rt_limit_allocations (maxBytes))
{
}

AllocationLimit::~AllocationLimit()
{
    zob_rt_limit_allocations (previousLimit);
}

bool AllocationLimit::isAvailable()
{
    return zob_rt_can_limit_allocations() != 0;
}
} // namespace zobtest
