#include "app/GalleryViewController.h"

#include "platform/core/Log.h"
#include "platform/ui/ActivityIndicator.h"
#include "platform/ui/AlertView.h"
#include "platform/ui/BezierPath.h"
#include "platform/ui/Button.h"
#include "platform/ui/Image.h"
#include "platform/ui/ImageView.h"
#include "platform/ui/Label.h"
#include "platform/ui/LongPressGestureRecognizer.h"
#include "platform/ui/ScrollView.h"
#include "platform/ui/SegmentedControl.h"
#include "platform/ui/ShapeLayer.h"
#include "platform/ui/Slider.h"
#include "platform/ui/Storyboard.h"
#include "platform/ui/TableViewCell.h"

#include <cmath>

namespace app {

namespace {

using ui::Color;
using ui::RectMake;

std::shared_ptr<ui::Label> makeLabel(ui::View& parent, ui::Rect frame, std::string text, ui::Font font, const char* identifier = "")
{
    auto label = ui::Label::create(frame);
    label->setText(std::move(text));
    label->setFont(std::move(font));
    label->setAccessibilityIdentifier(identifier);
    parent.addSubview(label);
    return label;
}

std::shared_ptr<ui::Button> makeButton(ui::View& parent, ui::Rect frame, std::string title, const char* identifier)
{
    auto button = ui::Button::create(ui::ButtonType::System, frame);
    button->setTitle(std::move(title));
    button->setAccessibilityIdentifier(identifier);
    button->layer().setBorderColor(Color::systemBlue());
    button->layer().setBorderWidth(1);
    button->layer().setCornerRadius(8);
    parent.addSubview(button);
    return button;
}

// Colours of the strip's blocks, cycling like the channels of a song.
const Color kBlockColors[] = {
    Color::rgba(0.95, 0.33, 0.27),
    Color::rgba(0.99, 0.68, 0.18),
    Color::rgba(0.30, 0.72, 0.38),
    Color::rgba(0.20, 0.55, 0.90),
    Color::rgba(0.58, 0.36, 0.80),
};

const char* keyName(ui::Key key)
{
    switch (key) {
    case ui::Key::Return: return "return";
    case ui::Key::Space: return "space";
    case ui::Key::Left: return "left";
    case ui::Key::Right: return "right";
    case ui::Key::Escape: return "escape";
    case ui::Key::Backspace: return "backspace";
    case ui::Key::Tab: return "tab";
    case ui::Key::Delete: return "delete";
    case ui::Key::Other: return "other";
    }
    return "other";
}

}

std::shared_ptr<GalleryViewController> GalleryViewController::create()
{
    return std::shared_ptr<GalleryViewController>(new GalleryViewController());
}

void GalleryViewController::registerScreen()
{
    ui::Storyboard::registerScreen(kScreenIdentifier, [] { return create(); });
}

void GalleryViewController::viewDidLoad()
{
    auto root = view();
    root->setBackgroundColor(Color::white(0.94, 1));
    makeLabel(*root, RectMake(20, 12, 600, 34), "BeatStrip kit gallery", ui::Font::boldSystemFont(24), "galleryTitle");
    m_status = makeLabel(*root, RectMake(20, 48, 984, 24), "Ready", ui::Font::systemFont(15), "galleryStatus");
    m_status->setTextColor(Color::darkGray());

    buildControls(*root);
    buildTable(*root);
    buildStrip(*root);
    buildLayers(*root);
}

void GalleryViewController::buildControls(ui::View& root)
{
    auto self = shared_from_this();

    makeButton(root, RectMake(20, 84, 110, 40), "Tap me", "galleryButton")
        ->addTarget(self, &GalleryViewController::buttonTapped, ui::ControlEvent::TouchUpInside);
    makeButton(root, RectMake(140, 84, 120, 40), "Show alert", "galleryAlertButton")
        ->addTarget(self, &GalleryViewController::showAlert, ui::ControlEvent::TouchUpInside);
    auto disabled = makeButton(root, RectMake(270, 84, 110, 40), "Disabled", "galleryDisabled");
    disabled->setEnabled(false);
    disabled->layer().setBorderColor(Color::lightGray());
    disabled->addTarget(self, &GalleryViewController::buttonTapped, ui::ControlEvent::TouchUpInside);
    makeButton(root, RectMake(390, 84, 90, 40), "Fade", "galleryFadeButton")
        ->addTarget(self, &GalleryViewController::fade, ui::ControlEvent::TouchUpInside);

    auto segments = ui::SegmentedControl::create({ "One", "Two", "Three" }, RectMake(20, 140, 300, 32));
    segments->setAccessibilityIdentifier("gallerySegments");
    segments->setSelectedSegmentIndex(0);
    segments->addTarget(self, &GalleryViewController::segmentChanged, ui::ControlEvent::ValueChanged);
    root.addSubview(segments);

    auto slider = ui::Slider::create(RectMake(20, 186, 300, 34));
    slider->setAccessibilityIdentifier("gallerySlider");
    slider->setValue(0.25f);
    slider->addTarget(self, &GalleryViewController::sliderChanged, ui::ControlEvent::ValueChanged);
    root.addSubview(slider);
    m_sliderValue = makeLabel(root, RectMake(330, 186, 60, 34), "0.25", ui::Font::systemFont(15), "gallerySliderValue");

    auto field = ui::TextField::create(RectMake(20, 234, 300, 36));
    field->setAccessibilityIdentifier("galleryField");
    field->setPlaceholder("Type here");
    field->setDelegate(std::static_pointer_cast<GalleryViewController>(self));
    root.addSubview(field);

    makeLabel(root, RectMake(20, 282, 220, 24), "Arial 17", ui::Font::named("Arial", 17), "galleryArial");
    makeLabel(root, RectMake(250, 282, 230, 24), "Arial-Italic 17", ui::Font::named("Arial-Italic", 17), "galleryItalic");
    auto centred = makeLabel(root, RectMake(20, 310, 220, 24), "Bold, centred", ui::Font::boldSystemFont(17), "galleryBold");
    centred->setTextAlignment(ui::TextAlignment::Center);
    centred->setBackgroundColor(Color::white());
    makeLabel(root, RectMake(250, 310, 230, 24), "A label far too long for its narrow frame", ui::Font::systemFont(17), "galleryTruncated")
        ->setBackgroundColor(Color::white());
    auto right = makeLabel(root, RectMake(20, 338, 460, 22), "Right aligned, red", ui::Font::systemFont(15), "galleryRight");
    right->setTextAlignment(ui::TextAlignment::Right);
    right->setTextColor(Color::red());

    // The spinner is white, so it sits on a dark tile.
    auto tile = ui::View::create(RectMake(400, 140, 80, 80));
    tile->setAccessibilityIdentifier("gallerySpinnerTile");
    tile->setBackgroundColor(Color::white(0.2, 1));
    tile->layer().setCornerRadius(10);
    root.addSubview(tile);
    auto spinner = ui::ActivityIndicator::create(ui::ActivityIndicatorStyle::WhiteLarge);
    spinner->setAccessibilityIdentifier("gallerySpinner");
    spinner->setCenter({ 40, 40 });
    tile->addSubview(spinner);
    spinner->startAnimating();

    auto up = ui::ImageView::create(RectMake(340, 238, 24, 24));
    up->setAccessibilityIdentifier("galleryUpImage");
    up->setImage(ui::Image::named("upper_triangle.png"));
    root.addSubview(up);
    auto down = ui::ImageView::create(RectMake(372, 232, 36, 36));
    down->setAccessibilityIdentifier("galleryDownImage");
    down->setImage(ui::Image::named("lower_triangle.png"));
    root.addSubview(down);

    auto pressArea = ui::View::create(RectMake(416, 232, 64, 40));
    pressArea->setAccessibilityIdentifier("galleryPressArea");
    pressArea->setBackgroundColor(Color::rgba(1, 0.9, 0.6));
    pressArea->layer().setBorderColor(Color::rgba(0.8, 0.5, 0));
    pressArea->layer().setBorderWidth(1);
    pressArea->addGestureRecognizer(ui::LongPressGestureRecognizer::create(self, &GalleryViewController::longPressed));
    root.addSubview(pressArea);
    makeLabel(*pressArea, RectMake(0, 0, 64, 40), "Hold", ui::Font::systemFont(13))->setTextAlignment(ui::TextAlignment::Center);

    m_fadeBox = ui::View::create(RectMake(400, 362, 80, 40));
    m_fadeBox->setAccessibilityIdentifier("galleryFadeBox");
    m_fadeBox->setBackgroundColor(Color::rgba(0.2, 0.6, 0.5));
    root.addSubview(m_fadeBox);
    makeLabel(root, RectMake(20, 370, 370, 24), "Fade fades the green box out and back in", ui::Font::systemFont(13));
}

void GalleryViewController::buildTable(ui::View& root)
{
    auto self = std::static_pointer_cast<GalleryViewController>(shared_from_this());
    auto table = ui::TableView::create(RectMake(520, 84, 484, 318));
    table->setAccessibilityIdentifier("galleryTable");
    table->layer().setBorderColor(Color::lightGray());
    table->layer().setBorderWidth(1);
    table->setDataSource(self);
    table->setDelegate(self);
    root.addSubview(table);
    table->reloadData();
}

void GalleryViewController::buildStrip(ui::View& root)
{
    // A miniature song strip: blocks and numbers on a long scrolling content.
    constexpr int kBlocks = 120;
    constexpr double kPitch = 64;
    auto strip = ui::ScrollView::create(RectMake(20, 418, 984, 120));
    strip->setAccessibilityIdentifier("galleryStrip");
    strip->setBackgroundColor(Color::white());
    strip->layer().setBorderColor(Color::gray());
    strip->layer().setBorderWidth(1);
    strip->setContentSize({ kBlocks * kPitch + 16, 120 });
    for (int i = 0; i < kBlocks; i++) {
        double x = 8 + i * kPitch;
        double height = 30 + (i * 37 % 50);
        auto block = ui::View::create(RectMake(x, 96 - height, kPitch - 8, height));
        block->setBackgroundColor(kBlockColors[i % 5]);
        block->layer().setCornerRadius(4);
        block->setTag(1000 + i);
        strip->addSubview(block);
        auto number = ui::Label::create(RectMake(x, 98, kPitch - 8, 18));
        number->setText(std::to_string(i + 1));
        number->setFont(ui::Font::named("Arial", 13));
        number->setTextAlignment(ui::TextAlignment::Center);
        strip->addSubview(number);
    }
    root.addSubview(strip);
}

void GalleryViewController::buildLayers(ui::View& root)
{
    makeLabel(root, RectMake(20, 552, 300, 20), "Mask: children clipped even outside", ui::Font::systemFont(13));
    makeLabel(root, RectMake(290, 552, 260, 20), "Dashed shape layers", ui::Font::systemFont(13));
    makeLabel(root, RectMake(580, 552, 200, 20), "Alpha 0.5, border, radius", ui::Font::systemFont(13));
    makeLabel(root, RectMake(810, 552, 200, 20), "zPosition over list order", ui::Font::systemFont(13));

    // The masked view is 160 x 120; its mask reaches 60 points further right and down, and
    // a child stands partly outside both.
    auto masked = ui::View::create(RectMake(40, 584, 160, 120));
    masked->setAccessibilityIdentifier("galleryMasked");
    masked->setBackgroundColor(Color::rgba(1, 0.6, 0.2));
    auto mask = ui::ShapeLayer::create();
    mask->setFrame(RectMake(0, 0, 220, 160));
    mask->setPath(ui::BezierPath::bezierPathWithRoundedRect(RectMake(0, 0, 220, 160), ui::TopLeft | ui::BottomRight, { 40, 40 }));
    masked->layer().setMask(mask);
    auto outside = ui::View::create(RectMake(110, 70, 140, 110));
    outside->setAccessibilityIdentifier("galleryMaskedChild");
    outside->setBackgroundColor(Color::rgba(0.25, 0.4, 0.9));
    masked->addSubview(outside);
    root.addSubview(masked);

    auto dashes = ui::View::create(RectMake(290, 584, 260, 150));
    dashes->setAccessibilityIdentifier("galleryDashes");
    dashes->setBackgroundColor(Color::white());
    auto line = ui::ShapeLayer::create();
    line->setFrame(RectMake(0, 0, 260, 150));
    auto linePath = ui::BezierPath::create();
    linePath->moveToPoint({ 10, 20 });
    linePath->addLineToPoint({ 250, 20 });
    line->setPath(linePath);
    line->setFillColor(std::nullopt);
    line->setStrokeColor(Color::black());
    line->setLineWidth(3);
    line->setLineDashPattern({ 12, 6 });
    dashes->layer().addSublayer(line);
    auto shape = ui::ShapeLayer::create();
    shape->setFrame(RectMake(0, 0, 260, 150));
    auto shapePath = ui::BezierPath::create();
    shapePath->moveToPoint({ 20, 130 });
    shapePath->addLineToPoint({ 80, 50 });
    shapePath->addLineToPoint({ 140, 130 });
    shapePath->addArc({ 200, 90 }, 40, M_PI, 0, true);
    shape->setPath(shapePath);
    shape->setFillColor(std::nullopt);
    shape->setStrokeColor(Color::rgba(0.85, 0.1, 0.3));
    shape->setLineWidth(4);
    shape->setLineJoin(ui::LineJoin::Round);
    shape->setLineDashPattern({ 2, 6 });
    shape->setLineCap(ui::LineCap::Round);
    dashes->layer().addSublayer(shape);
    root.addSubview(dashes);

    // Group alpha: the bordered box and its child fade as one over the stripes behind them.
    for (int i = 0; i < 4; i++) {
        auto stripe = ui::View::create(RectMake(580, 584 + i * 40, 200, 20));
        stripe->setBackgroundColor(Color::black());
        root.addSubview(stripe);
    }
    auto half = ui::View::create(RectMake(600, 594, 160, 130));
    half->setAccessibilityIdentifier("galleryHalfAlpha");
    half->setBackgroundColor(Color::rgba(0.2, 0.8, 0.3));
    half->setAlpha(0.5);
    half->layer().setBorderColor(Color::rgba(0.1, 0.3, 0.1));
    half->layer().setBorderWidth(6);
    half->layer().setCornerRadius(20);
    auto inner = ui::View::create(RectMake(40, 35, 80, 60));
    inner->setBackgroundColor(Color::rgba(0.9, 0.1, 0.1));
    half->addSubview(inner);
    root.addSubview(half);

    // Added first but raised: the blue square draws above the red one added after it.
    auto front = ui::View::create(RectMake(820, 590, 100, 100));
    front->setAccessibilityIdentifier("galleryZFront");
    front->setBackgroundColor(Color::rgba(0.2, 0.4, 1));
    front->layer().setZPosition(1);
    root.addSubview(front);
    auto back = ui::View::create(RectMake(870, 630, 100, 100));
    back->setAccessibilityIdentifier("galleryZBack");
    back->setBackgroundColor(Color::rgba(1, 0.3, 0.3));
    root.addSubview(back);
}

void GalleryViewController::setStatus(std::string status)
{
    core::log("Gallery: %s", status.c_str());
    m_status->setText(std::move(status));
}

void GalleryViewController::buttonTapped(ui::Object*)
{
    m_taps++;
    setStatus(core::format("Button tapped %d", m_taps));
}

void GalleryViewController::showAlert(ui::Object*)
{
    std::weak_ptr<GalleryViewController> weak = std::static_pointer_cast<GalleryViewController>(shared_from_this());
    auto alert = ui::AlertView::create("Gallery", "An alert with two buttons", { "Cancel", "OK" }, [weak](int index) {
        if (auto self = weak.lock())
            self->setStatus(core::format("Alert button %d", index));
    });
    alert->show();
    setStatus("Alert shown");
}

void GalleryViewController::segmentChanged(ui::Object* sender)
{
    auto* control = dynamic_cast<ui::SegmentedControl*>(sender);
    if (control)
        setStatus(core::format("Segment %d", control->selectedSegmentIndex()));
}

void GalleryViewController::sliderChanged(ui::Object* sender)
{
    auto* slider = dynamic_cast<ui::Slider*>(sender);
    if (!slider)
        return;
    std::string value = core::format("%.2f", slider->value());
    m_sliderValue->setText(value);
    setStatus("Slider " + value);
}

void GalleryViewController::fade(ui::Object*)
{
    std::weak_ptr<GalleryViewController> weak = std::static_pointer_cast<GalleryViewController>(shared_from_this());
    auto box = m_fadeBox;
    setStatus("Fading");
    ui::View::animateWithDuration(0.5, [box] { box->setAlpha(0); }, [weak, box](bool) {
        ui::View::animateWithDuration(0.5, [box] { box->setAlpha(1); }, [weak](bool finished) {
            if (auto self = weak.lock())
                self->setStatus(finished ? "Fade finished" : "Fade interrupted");
        });
    });
}

void GalleryViewController::longPressed(ui::Object* sender)
{
    auto* recognizer = dynamic_cast<ui::LongPressGestureRecognizer*>(sender);
    if (!recognizer)
        return;
    switch (recognizer->state()) {
    case ui::GestureRecognizerState::Began:
        setStatus("Long press began");
        break;
    case ui::GestureRecognizerState::Changed:
        setStatus("Long press moved");
        break;
    case ui::GestureRecognizerState::Ended:
        setStatus("Long press ended");
        break;
    default:
        break;
    }
}

void GalleryViewController::keyPressed(ui::Key key)
{
    setStatus(core::format("Key %s", keyName(key)));
}

bool GalleryViewController::textFieldShouldReturn(ui::TextField* textField)
{
    setStatus("Returned: " + textField->text());
    textField->resignFirstResponder();
    return true;
}

int GalleryViewController::numberOfRowsInSection(ui::TableView*, int)
{
    return kTableRows;
}

std::shared_ptr<ui::TableViewCell> GalleryViewController::cellForRowAtIndexPath(ui::TableView* tableView, ui::IndexPath indexPath)
{
    static const std::string kIdentifier = "GalleryCell";
    auto cell = tableView->dequeueReusableCellWithIdentifier(kIdentifier);
    if (!cell)
        cell = ui::TableViewCell::create(ui::TableViewCellStyle::Default, kIdentifier);
    cell->textLabel()->setText(core::format("Row %d", indexPath.row));
    cell->setAccessoryType(ui::TableViewCellAccessoryType::DisclosureIndicator);
    return cell;
}

void GalleryViewController::didSelectRowAtIndexPath(ui::TableView*, ui::IndexPath indexPath)
{
    setStatus(core::format("Row %d selected", indexPath.row));
}

}
