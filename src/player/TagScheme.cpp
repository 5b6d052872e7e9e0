#include "player/TagScheme.h"

#include <limits>

namespace player {

TagScheme TagScheme::forHighestKey(int32_t highestKey)
{
    constexpr int32_t step = 200;
    if (highestKey <= step)
        return TagScheme(step);
    // The label tag is k + 4U, so U must leave room for that within 32 bits.
    constexpr int32_t largest = std::numeric_limits<int32_t>::max() / 5 / step * step;
    if (highestKey > largest)
        return TagScheme(largest);
    int32_t unit = (highestKey + step - 1) / step * step;
    return TagScheme(unit);
}

}
