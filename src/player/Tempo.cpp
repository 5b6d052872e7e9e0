#include "player/Tempo.h"

namespace player {

std::shared_ptr<Tempo> Tempo::create(ui::Rect frame)
{
    // One allocation for the label and its count.
    struct Made : Tempo {
        explicit Made(ui::Rect frame)
            : Tempo(frame)
        {
        }
    };
    return std::make_shared<Made>(frame);
}

Tempo::Tempo(ui::Rect frame)
    : ui::Label(frame)
{
}

}
