#pragma once

#include <cstring>

namespace zob
{
/** The last result of a pure function of one value, worked out again only when the value
    changes: for what the audio block derives with pow from controls that rarely move (the
    TUNE ratio, the LENGTH curve, the OUTPUT gain, the meters' decay).

    The value is compared bit for bit, not approximately, so what `get` returns is always
    exactly what the function gives for that value. Belongs to one thread; never allocates.
*/
template <typename Value, typename Result>
class LastResult
{
public:
    template <typename Function>
    Result get (Value value, Function&& function) noexcept
    {
        if (! known || std::memcmp (&value, &lastValue, sizeof (Value)) != 0)
        {
            lastResult = function (value);
            lastValue = value;
            known = true;
        }

        return lastResult;
    }

private:
    Value lastValue {};
    Result lastResult {};
    bool known = false;
};
} // namespace zob
