#pragma once
#include "platform/ui/Image.h"
#include "platform/ui/View.h"

namespace ui {

// Shows an image scaled to fill its bounds. Takes no touches unless told to.
class ImageView : public View {
public:
    static std::shared_ptr<ImageView> create(Rect frame = {});
    // Sized to the image, at the origin (the platform's initWithImage:).
    static std::shared_ptr<ImageView> createWithImage(std::shared_ptr<Image> image);

    const std::shared_ptr<Image>& image() const { return m_image; }
    void setImage(std::shared_ptr<Image> image);

    void draw(Painter& painter, Rect dirty) override;
    bool hasCustomDrawing() const override { return true; }
    std::string className() const override { return "ImageView"; }
    void describe(nlohmann::json& out) const override;

protected:
    explicit ImageView(Rect frame);

private:
    std::shared_ptr<Image> m_image;
};

}
