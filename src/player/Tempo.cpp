#include "player/Tempo.h"

namespace player {

std::shared_ptr<Tempo> Tempo::create(ui::Rect frame)
{
    return std::shared_ptr<Tempo>(new Tempo(frame));
}

Tempo::Tempo(ui::Rect frame)
    : ui::Label(frame)
{
}

}
