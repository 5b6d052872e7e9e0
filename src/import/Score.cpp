#include "import/Score.h"

namespace import {

double Score::secondsAt(double quarters) const
{
    double seconds = 0;
    double position = 0;
    double rate = 120;
    for (const TempoChange& change : tempi) {
        if (change.at >= quarters)
            break;
        seconds += (change.at - position) * 60.0 / rate;
        position = change.at;
        rate = change.quartersPerMinute;
    }
    return seconds + (quarters - position) * 60.0 / rate;
}

}
