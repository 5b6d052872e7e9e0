#include "platform/ui/Event.h"
#include "platform/ui/View.h"

namespace ui {

Point Touch::locationInView(const View* view) const
{
    return view ? view->convertPointFromView(windowPoint, nullptr) : windowPoint;
}

}
