#pragma once
#include "import/WrittenMeasure.h"
#include "platform/core/Error.h"

#include <cstddef>
#include <vector>

namespace import {

// The order measures are played in: repeats taken (with their endings), then D.C. and D.S. jumps
// followed to Fine or to the Coda. After a jump repeats are not taken again, and each group of
// endings plays its last one.
class PlayingOrder {
public:
    static core::Result<std::vector<size_t>> of(const std::vector<WrittenMeasure>& measures);
};

}
