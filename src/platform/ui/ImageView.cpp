#include "platform/ui/ImageView.h"
#include "platform/core/Json.h"
#include "platform/ui/Painter.h"

namespace ui {

std::shared_ptr<ImageView> ImageView::create(Rect frame)
{
    // One allocation for the view and its count.
    struct Made : ImageView {
        explicit Made(Rect frame)
            : ImageView(frame)
        {
        }
    };
    return std::make_shared<Made>(frame);
}

std::shared_ptr<ImageView> ImageView::createWithImage(std::shared_ptr<Image> image)
{
    auto view = create(image ? Rect { {}, image->size() } : Rect {});
    view->setImage(std::move(image));
    return view;
}

ImageView::ImageView(Rect frame)
    : View(frame)
{
    setUserInteractionEnabled(false);
}

void ImageView::setImage(std::shared_ptr<Image> image)
{
    if (m_image == image)
        return;
    m_image = std::move(image);
    invalidateDisplay();
}

void ImageView::draw(Painter& painter, Rect)
{
    if (m_image)
        painter.drawImage(*m_image, bounds());
}

void ImageView::describe(nlohmann::json& out) const
{
    out["image"] = m_image ? nlohmann::json(m_image->name()) : nlohmann::json(nullptr);
}

}
