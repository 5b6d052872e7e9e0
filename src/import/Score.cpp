#include "import/Score.h"

namespace import {

uint32_t Score::addText(std::string text)
{
    if (text.empty())
        return 0;
    texts.push_back(std::move(text));
    return uint32_t(texts.size() - 1);
}

const std::string& Score::text(uint32_t index) const
{
    return index < texts.size() ? texts[index] : texts.front();
}

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
