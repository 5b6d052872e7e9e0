#include "player/StripBuilder.h"

#include "platform/core/Log.h"
#include "platform/ui/Button.h"
#include "platform/ui/Image.h"
#include "platform/ui/ImageView.h"
#include "platform/ui/Label.h"
#include "platform/ui/LongPressGestureRecognizer.h"
#include "platform/ui/ScrollView.h"
#include "player/DottedLine.h"
#include "player/Roundify.h"
#include "player/TempoEditor.h"
#include "score/Columns.h"
#include "score/RowKind.h"
#include "score/ScoreSheet.h"

namespace player {

namespace column = score::column;

namespace {

ui::Color colorOf(const score::Colour& colour)
{
    return ui::Color::rgba(colour.red, colour.green, colour.blue, colour.alpha);
}

ui::Rect rectOf(const score::Frame& frame)
{
    return ui::RectMake(frame.x, frame.y, frame.width, frame.height);
}

std::shared_ptr<ui::Label> makeLabel(ui::Rect frame, const char* font, double size, const score::ScoreRow& row)
{
    auto label = ui::Label::create(frame);
    label->setTextColor(ui::Color::black());
    label->setFont(ui::Font::named(font, size));
    label->setText(std::string(row.text(column::content)));
    return label;
}

}

StripBuilder::StripBuilder(ui::ScrollView& strip, ui::View& keyView, int32_t mode, const score::ScoreSheet& sheet, TempoEditor& tempi,
    Targets targets)
    : m_strip(strip)
    , m_keyView(keyView)
    , m_mode(mode)
    , m_sheet(sheet)
    , m_tempi(tempi)
    , m_targets(std::move(targets))
    , m_upperTriangle(ui::Image::named("upper_triangle.png"))
    , m_lowerTriangle(ui::Image::named("lower_triangle.png"))
{
    // A row gives at most one child of the strip, and a beat's shown label one more.
    m_strip.reserveSubviews(m_strip.subviews().size() + sheet.rows().size() + sheet.shadowArray().size());
    m_tempi.reserve(sheet.shadowArray().size());
}

void StripBuilder::addRow(const score::ScoreRow& row)
{
    switch (score::rowKind(row)) {
    case score::RowKind::Beat:
        return addBeat(row);
    case score::RowKind::KeyLabel:
        return addKeyLabel(row);
    case score::RowKind::SmallItalicLabel:
        return addSmallItalicLabel(row);
    case score::RowKind::TextLabel:
        return addTextLabel(row);
    case score::RowKind::DottedLine:
        return addDottedLine(row);
    case score::RowKind::NoteBlock:
        return addNoteBlock(row);
    }
}

// The beat button covers the beat ("height(110)" x 3 points high, at "rise_fall"); the label sits
// at the row's own place and the step buttons at "rise_fall" and "sharp_flat".
void StripBuilder::addBeat(const score::ScoreRow& row)
{
    auto frame = score::frameOf(row);
    int32_t key = m_sheet.numbering().keyOf(row);
    float top = score::points(row, column::riseFall);
    auto beatButton = ui::Button::create(ui::ButtonType::System, ui::RectMake(frame.x, top, frame.width, row.floatValue(column::height) * 3.0f));
    beatButton->setTag(m_tempi.tags().beatButtonTag(key));
    beatButton->addTarget(m_targets.owner, m_targets.showControl, ui::ControlEvent::TouchDown);
    auto press = ui::LongPressGestureRecognizer::create();
    press->addTarget(m_targets.owner, m_targets.longPress);
    beatButton->addGestureRecognizer(press);
    beatButton->layer().setZPosition(10);
    m_strip.addSubview(beatButton);

    TempoEditor::BeatPlacement placement;
    placement.key = key;
    placement.x = frame.x;
    placement.labelY = frame.y;
    placement.plusY = top;
    placement.minusY = score::points(row, column::sharpFlat);
    placement.group = row.intValue(column::barNo);
    placement.index = row.intValue(column::beatsPerBar);
    // With a saved list the tempo comes from it; a key outside it falls back to the row.
    const auto& saved = m_sheet.savedBeatList();
    if (m_sheet.hasSavedBeatList() && key >= 1 && size_t(key) <= saved.size())
        placement.text = std::string(saved[size_t(key) - 1].text(column::tempo));
    else
        placement.text = std::string(row.text(column::tempo));
    m_tempi.addBeat(placement, beatButton.get());
}

void StripBuilder::addKeyLabel(const score::ScoreRow& row)
{
    auto frame = score::frameOf(row);
    auto label = makeLabel(ui::RectMake(frame.x, frame.y, 75, 12), "Arial", 10.8, row);
    label->setBackgroundColor(ui::Color::clear());
    m_keyView.addSubview(label);
}

void StripBuilder::addSmallItalicLabel(const score::ScoreRow& row)
{
    auto frame = score::frameOf(row);
    auto label = makeLabel(ui::RectMake(frame.x, frame.y, 7, 7), "Arial-Italic", score::fontSize(row), row);
    label->setBackgroundColor(ui::Color::clear());
    label->layer().setZPosition(score::zLevel(row));
    m_strip.addSubview(label);
    core::log("%s", ui::stringFromRect(label->frame()).c_str());
}

void StripBuilder::addTextLabel(const score::ScoreRow& row)
{
    auto frame = score::frameOf(row);
    auto label = makeLabel(ui::RectMake(frame.x, frame.y, frame.width, 12), "Arial", score::fontSize(row), row);
    label->setBackgroundColor(colorOf(score::labelBackground(row)));
    label->layer().setZPosition(score::zLevel(row));
    m_strip.addSubview(label);
}

void StripBuilder::addDottedLine(const score::ScoreRow& row)
{
    auto line = DottedLine::create(rectOf(score::frameOf(row)));
    line->setBackgroundColor(ui::Color::clear());
    line->layer().setZPosition(score::zLevel(row));
    m_strip.addSubview(line);
}

// Row colour (black in mode 1 except the bands and 51/52; channel 20 red; "71" gray in mode 1),
// a border, the marks, rounded corners; channels 6 and 7 go behind everything before them.
void StripBuilder::addNoteBlock(const score::ScoreRow& row)
{
    auto block = ui::View::create(rectOf(score::frameOf(row)));
    block->setBackgroundColor(colorOf(score::noteBlockColour(row, m_mode)));
    if (auto border = score::borderWidth(row)) {
        block->layer().setBorderColor(ui::Color::black());
        block->layer().setBorderWidth(*border);
    }
    addMarks(*block, row);
    if (unsigned corners = score::roundedCorners(row))
        addRoundedCorners(*block, corners, { 15, 15 });
    block->layer().setZPosition(score::zLevel(row));
    m_strip.addSubview(block);
    if (score::sentToBack(row))
        m_strip.sendSubviewToBack(block.get());
}

// The "#" or "b" inside the block and the rise/fall triangle standing on it.
void StripBuilder::addMarks(ui::View& block, const score::ScoreRow& row)
{
    if (auto mark = score::accidentalMark(row, m_mode)) {
        auto label = ui::Label::create(rectOf(mark->frame));
        label->setTextColor(colorOf(mark->colour));
        label->setFont(ui::Font::named("Arial", 10));
        label->setText(mark->text);
        label->setBackgroundColor(ui::Color::clear());
        block.addSubview(label);
    }
    auto riseFall = score::riseFall(row);
    if (riseFall != score::RiseFall::None) {
        auto image = riseFall == score::RiseFall::Rising ? m_upperTriangle : m_lowerTriangle;
        auto mark = image ? ui::ImageView::createWithImage(image) : ui::ImageView::create();
        mark->setFrame(ui::RectMake(2, -12, 12, 12));
        block.addSubview(mark);
    }
}

}
