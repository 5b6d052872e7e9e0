#include "player/StripBuilder.h"

#include "platform/core/Log.h"
#include "platform/ui/Button.h"
#include "platform/ui/Image.h"
#include "platform/ui/ImageView.h"
#include "platform/ui/Label.h"
#include "platform/ui/LongPressGestureRecognizer.h"
#include "player/DottedLine.h"
#include "player/Roundify.h"
#include "player/Strip.h"
#include "player/TempoEditor.h"
#include "score/Columns.h"
#include "score/ScoreSheet.h"

namespace player {

namespace column = score::column;

namespace {

ui::Rect rectOf(const score::Frame& frame)
{
    return ui::RectMake(frame.x, frame.y, frame.width, frame.height);
}

std::shared_ptr<ui::Label> makeTextLabel(ui::Rect frame, const char* font, double size, const std::string& text)
{
    auto label = ui::Label::create(frame);
    label->setTextColor(ui::Color::black());
    label->setFont(ui::Font::named(font, size));
    label->setText(text);
    return label;
}

// The frames of the "#" and "b" marks inside their block, and the rise/fall triangle on it.
const score::Frame kSharpFrame { 5, 2, 15, 15 };
const score::Frame kFlatFrame { 2, 2, 16, 12 };
const ui::Rect kTriangleFrame = ui::RectMake(2, -12, 12, 12);

}

StripBuilder::StripBuilder(Strip& strip, ui::View& keyView, int32_t mode, const score::ScoreSheet& sheet, TempoEditor& tempi, Targets targets)
    : m_strip(strip)
    , m_keyView(keyView)
    , m_mode(mode)
    , m_sheet(sheet)
    , m_tempi(tempi)
    , m_targets(std::move(targets))
    , m_upperTriangle(ui::Image::named("upper_triangle.png"))
    , m_lowerTriangle(ui::Image::named("lower_triangle.png"))
{
    m_items.reserve(sheet.rows().size());
    m_strip.reserveItems(sheet.rows().size());
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

void StripBuilder::finish()
{
    m_strip.finishDeferring();
}

// Where the row reaches: its frame, and the marks sticking out of it.
void StripBuilder::defer(Item item, bool sentToBack)
{
    defer(item, sentToBack, rectOf(item.frame).unionWith(ui::RectMake(item.frame.x, item.frame.y - 12, 25, 12)));
}

void StripBuilder::defer(Item item, bool sentToBack, ui::Rect extent)
{
    m_strip.defer(extent, sentToBack);
    m_items.push_back(item);
}

uint32_t StripBuilder::paletteIndex(const score::Colour& colour)
{
    // Rows of a kind come together: most colours are the one before.
    if (m_lastColour && *m_lastColour == colour)
        return m_lastIndex;
    m_lastColour = colour;
    m_lastIndex = paletteSlot(colour);
    return m_lastIndex;
}

uint32_t StripBuilder::paletteSlot(const score::Colour& colour)
{
    auto key = std::make_tuple(colour.red, colour.green, colour.blue, colour.alpha);
    auto [it, added] = m_paletteIndex.emplace(key, uint32_t(m_palette.size()));
    if (added)
        m_palette.push_back(ui::Color::rgba(colour.red, colour.green, colour.blue, colour.alpha));
    return it->second;
}

void StripBuilder::make(uint32_t index, std::vector<std::pair<int, std::shared_ptr<ui::View>>>& out) const
{
    if (index >= m_items.size())
        return;
    const Item& item = m_items[index];
    switch (item.kind) {
    case score::RowKind::Beat:
        out.emplace_back(0, makeBeat(item));
        m_tempi.makeControls(item.position, out);
        return;
    case score::RowKind::SmallItalicLabel:
    case score::RowKind::TextLabel:
        out.emplace_back(0, makeLabel(item));
        return;
    case score::RowKind::DottedLine: {
        auto line = DottedLine::create(rectOf(item.frame));
        line->setBackgroundColor(ui::Color::clear());
        line->layer().setZPosition(item.z);
        out.emplace_back(0, std::move(line));
        return;
    }
    case score::RowKind::NoteBlock:
        out.emplace_back(0, makeNoteBlock(item));
        return;
    case score::RowKind::KeyLabel:
        return;
    }
}

void StripBuilder::release(uint32_t index) const
{
    if (index < m_items.size() && m_items[index].kind == score::RowKind::Beat)
        m_tempi.forgetViews(m_items[index].position);
}

// The beat button covers the beat ("height(110)" x 3 points high, at "rise_fall"); the label sits
// at the row's own place and the step buttons at "rise_fall" and "sharp_flat".
void StripBuilder::addBeat(const score::ScoreRow& row)
{
    auto frame = score::frameOf(row);
    int32_t key = m_sheet.numbering().keyOf(row);
    float top = score::points(row, column::riseFall);
    Item item;
    item.kind = score::RowKind::Beat;
    item.frame = { frame.x, top, frame.width, row.floatValue(column::height) * 3.0f };
    item.z = 10;
    item.detail = uint32_t(key);
    item.position = uint32_t(m_tempi.beatCount());

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
    // The controls reach from the label's place to the lower step button.
    ui::Rect controls = ui::RectMake(placement.x, std::min(placement.labelY, placement.plusY), 25, 0);
    controls = controls.unionWith(ui::RectMake(placement.x, placement.minusY, 25, 25));
    defer(item, false, rectOf(item.frame).unionWith(controls));
    m_tempi.addBeat(placement, uint32_t(m_items.size() - 1));
}

std::shared_ptr<ui::View> StripBuilder::makeBeat(const Item& item) const
{
    auto beatButton = ui::Button::create(ui::ButtonType::System, rectOf(item.frame));
    beatButton->setTag(m_tempi.tags().beatButtonTag(int32_t(item.detail)));
    beatButton->addTarget(m_targets.owner, m_targets.showControl, ui::ControlEvent::TouchDown);
    auto press = ui::LongPressGestureRecognizer::create();
    press->addTarget(m_targets.owner, m_targets.longPress);
    beatButton->addGestureRecognizer(press);
    beatButton->layer().setZPosition(10);
    return beatButton;
}

void StripBuilder::addKeyLabel(const score::ScoreRow& row)
{
    auto frame = score::frameOf(row);
    auto label = makeTextLabel(ui::RectMake(frame.x, frame.y, 75, 12), "Arial", 10.8, std::string(row.text(column::content)));
    label->setBackgroundColor(ui::Color::clear());
    m_keyView.addSubview(label);
}

void StripBuilder::addSmallItalicLabel(const score::ScoreRow& row)
{
    auto frame = score::frameOf(row);
    Item item;
    item.kind = score::RowKind::SmallItalicLabel;
    item.frame = { frame.x, frame.y, 7, 7 };
    item.z = float(score::zLevel(row));
    item.size = score::fontSize(row);
    item.detail = uint32_t(m_texts.size());
    m_texts.emplace_back(row.text(column::content));
    core::log("%s", ui::stringFromRect(rectOf(item.frame)).c_str());
    defer(item, false);
}

void StripBuilder::addTextLabel(const score::ScoreRow& row)
{
    auto frame = score::frameOf(row);
    Item item;
    item.kind = score::RowKind::TextLabel;
    item.frame = { frame.x, frame.y, frame.width, 12 };
    item.z = float(score::zLevel(row));
    item.size = score::fontSize(row);
    item.detail = uint32_t(m_texts.size());
    item.colour = paletteIndex(score::labelBackground(row));
    m_texts.emplace_back(row.text(column::content));
    defer(item, false);
}

std::shared_ptr<ui::View> StripBuilder::makeLabel(const Item& item) const
{
    bool italic = item.kind == score::RowKind::SmallItalicLabel;
    auto label = makeTextLabel(rectOf(item.frame), italic ? "Arial-Italic" : "Arial", item.size, m_texts[item.detail]);
    label->setBackgroundColor(italic ? ui::Color::clear() : m_palette[item.colour]);
    label->layer().setZPosition(item.z);
    return label;
}

void StripBuilder::addDottedLine(const score::ScoreRow& row)
{
    Item item;
    item.kind = score::RowKind::DottedLine;
    item.frame = score::frameOf(row);
    item.z = float(score::zLevel(row));
    defer(item, false);
}

// Row colour (black in mode 1 except the bands and 51/52; channel 20 red; "71" gray in mode 1),
// a border, the marks, rounded corners; channels 6 and 7 go behind everything before them.
void StripBuilder::addNoteBlock(const score::ScoreRow& row)
{
    Item item;
    item.kind = score::RowKind::NoteBlock;
    item.frame = score::frameOf(row);
    item.z = float(score::zLevel(row));
    item.colour = paletteIndex(score::noteBlockColour(row, m_mode));
    if (auto border = score::borderWidth(row)) {
        item.flags |= Bordered;
        item.size = *border;
    }
    if (auto mark = score::accidentalMark(row, m_mode)) {
        item.mark = mark->text == "#" ? 1 : 2;
        item.markColour = paletteIndex(mark->colour);
    }
    auto riseFall = score::riseFall(row);
    if (riseFall == score::RiseFall::Rising)
        item.flags |= Rising;
    else if (riseFall == score::RiseFall::Falling)
        item.flags |= Falling;
    item.corners = uint8_t(score::roundedCorners(row));
    defer(item, score::sentToBack(row));
}

std::shared_ptr<ui::View> StripBuilder::makeNoteBlock(const Item& item) const
{
    auto block = ui::View::create(rectOf(item.frame));
    block->setBackgroundColor(m_palette[item.colour]);
    if (item.flags & Bordered) {
        block->layer().setBorderColor(ui::Color::black());
        block->layer().setBorderWidth(item.size);
    }
    addMarks(*block, item);
    if (item.corners)
        addRoundedCorners(*block, item.corners, { 15, 15 });
    block->layer().setZPosition(item.z);
    return block;
}

// The "#" or "b" inside the block and the rise/fall triangle standing on it.
void StripBuilder::addMarks(ui::View& block, const Item& item) const
{
    if (item.mark) {
        auto label = ui::Label::create(rectOf(item.mark == 1 ? kSharpFrame : kFlatFrame));
        label->setTextColor(m_palette[item.markColour]);
        label->setFont(ui::Font::named("Arial", 10));
        label->setText(item.mark == 1 ? "#" : "b");
        label->setBackgroundColor(ui::Color::clear());
        block.addSubview(label);
    }
    if (item.flags & (Rising | Falling)) {
        auto image = (item.flags & Rising) ? m_upperTriangle : m_lowerTriangle;
        auto mark = image ? ui::ImageView::createWithImage(image) : ui::ImageView::create();
        mark->setFrame(kTriangleFrame);
        block.addSubview(mark);
    }
}

}
