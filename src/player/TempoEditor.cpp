#include "player/TempoEditor.h"

#include "platform/core/Log.h"
#include "platform/ui/Button.h"
#include "player/Strip.h"
#include "player/Tempo.h"
#include "score/Columns.h"
#include "score/Readings.h"
#include "score/ScoreSheet.h"

#include <algorithm>
#include <limits>

namespace player {

namespace {

// Label integers are clamped 32-bit readings, so a step at either end saturates instead of
// overflowing.
int32_t stepped(int32_t value, int32_t by)
{
    int64_t sum = int64_t(value) + by;
    return int32_t(std::clamp<int64_t>(sum, std::numeric_limits<int32_t>::min(), std::numeric_limits<int32_t>::max()));
}

}

void TempoEditor::reset(Strip* strip, ui::View* root, TagScheme tags)
{
    m_strip = strip;
    m_root = root;
    m_tags = tags;
    m_beats.clear();
    m_groups.clear();
    m_collecting.clear();
}

void TempoEditor::setActions(std::weak_ptr<void> owner, ui::Control::Action plus, ui::Control::Action minus)
{
    m_owner = std::move(owner);
    m_plusAction = std::move(plus);
    m_minusAction = std::move(minus);
}

// Nothing of a beat is made here: its label shows once its group is arranged, its step buttons
// once something reveals them.
void TempoEditor::addBeat(const BeatPlacement& placement, uint32_t item)
{
    if (!m_collecting.empty() && m_beats[m_collecting.back()].group != placement.group)
        closeGroup();
    Beat beat;
    beat.key = placement.key;
    beat.group = placement.group;
    beat.index = placement.index;
    beat.x = placement.x;
    beat.labelY = placement.labelY;
    beat.plusY = placement.plusY;
    beat.minusY = placement.minusY;
    beat.text = placement.text;
    beat.item = item;
    m_beats.push_back(std::move(beat));
    m_collecting.push_back(m_beats.size() - 1);
}

void TempoEditor::closeGroup()
{
    if (m_collecting.empty())
        return;
    m_groups.push_back(std::move(m_collecting));
    m_collecting.clear();
    arrange(m_groups.back());
}

std::optional<size_t> TempoEditor::positionOfKey(int32_t key) const
{
    if (key >= 1 && size_t(key) <= m_beats.size() && m_beats[size_t(key) - 1].key == key)
        return size_t(key) - 1;
    for (size_t i = 0; i < m_beats.size(); ++i) {
        if (m_beats[i].key == key)
            return i;
    }
    return std::nullopt;
}

bool TempoEditor::reveal(int32_t key)
{
    auto position = positionOfKey(key);
    if (!position)
        return false;
    Beat& beat = m_beats[*position];
    setShown(beat, Kind::Label, true);
    setShown(beat, Kind::Plus, true);
    setShown(beat, Kind::Minus, true);
    return true;
}

bool TempoEditor::step(size_t position, int32_t by, score::ScoreSheet& sheet)
{
    if (position >= m_beats.size())
        return false;
    Beat& beat = m_beats[position];
    int32_t value = stepped(score::intValue(beat.text), by);
    // Only a step down is held at 1; "+" on a text without a number gives 1.
    if (by < 0 && value < 1)
        return false;
    setText(beat, value);
    sheet.setBeatTempo(position, value);
    return true;
}

void TempoEditor::stepAll(int32_t factor, score::ScoreSheet& sheet)
{
    std::vector<score::ScoreRow> list = sheet.shadowArray();
    for (size_t position = 0; position < m_beats.size(); ++position) {
        Beat& beat = m_beats[position];
        int32_t value = stepped(score::intValue(beat.text), factor);
        if (value < 1)
            continue;
        setText(beat, value);
        if (position < list.size())
            list[position] = list[position].withIntValue(score::column::tempo, value);
    }
    sheet.setShadowArray(std::move(list));
}

void TempoEditor::rearrange()
{
    for (const auto& group : m_groups)
        arrange(group);
}

void TempoEditor::arrange(const std::vector<size_t>& group)
{
    if (group.empty())
        return;
    int32_t first = score::intValue(m_beats[group.front()].text);
    bool allSame
        = std::all_of(group.begin(), group.end(), [&](size_t p) { return score::intValue(m_beats[p].text) == first; });
    for (size_t p : group)
        setShown(m_beats[p], Kind::Label, !allSame || p == group.front());
}

void TempoEditor::hideStepButtons()
{
    for (auto& beat : m_beats) {
        setShown(beat, Kind::Plus, false);
        setShown(beat, Kind::Minus, false);
    }
}

void TempoEditor::setText(Beat& beat, int32_t value)
{
    beat.text = core::format("%d", value);
    if (beat.views && beat.views->label)
        beat.views->label->setText(beat.text);
}

void TempoEditor::setShown(Beat& beat, Kind kind, bool shown)
{
    bool& flag = kind == Kind::Label ? beat.labelShown : kind == Kind::Plus ? beat.plusShown : beat.minusShown;
    flag = shown;
    if (shown && !viewOf(beat, kind))
        makeView(beat, kind);
    if (ui::View* view = viewOf(beat, kind))
        view->setHidden(!shown);
}

ui::View* TempoEditor::viewOf(const Beat& beat, Kind kind)
{
    if (!beat.views)
        return nullptr;
    switch (kind) {
    case Kind::Label:
        return beat.views->label.get();
    case Kind::Plus:
        return beat.views->plus.get();
    case Kind::Minus:
        return beat.views->minus.get();
    }
    return nullptr;
}

// A control goes right behind the beat's button and its earlier controls, where it would have
// been added at layout; with the button not made yet, it comes with it.
void TempoEditor::makeView(Beat& beat, Kind kind)
{
    (kind == Kind::Label ? beat.labelMade : kind == Kind::Plus ? beat.plusMade : beat.minusMade) = true;
    if (!m_strip || !m_strip->isMade(beat.item))
        return;
    auto view = newView(beat, kind);
    m_strip->insertBehind(beat.item, kind == Kind::Label ? 1 : kind == Kind::Plus ? 2 : 3, std::move(view));
}

std::shared_ptr<ui::View> TempoEditor::newView(Beat& beat, Kind kind)
{
    if (!beat.views)
        beat.views = std::make_unique<Views>();
    std::shared_ptr<ui::View> view;
    if (kind == Kind::Label)
        view = beat.views->label = makeLabel(beat);
    else if (kind == Kind::Plus)
        view = beat.views->plus = makeButton(beat, kind);
    else
        view = beat.views->minus = makeButton(beat, kind);
    bool shown = kind == Kind::Label ? beat.labelShown : kind == Kind::Plus ? beat.plusShown : beat.minusShown;
    view->setHidden(!shown);
    return view;
}

void TempoEditor::makeControls(size_t position, std::vector<std::pair<int, std::shared_ptr<ui::View>>>& out)
{
    if (position >= m_beats.size())
        return;
    Beat& beat = m_beats[position];
    if (beat.labelMade && !viewOf(beat, Kind::Label))
        out.emplace_back(1, newView(beat, Kind::Label));
    if (beat.plusMade && !viewOf(beat, Kind::Plus))
        out.emplace_back(2, newView(beat, Kind::Plus));
    if (beat.minusMade && !viewOf(beat, Kind::Minus))
        out.emplace_back(3, newView(beat, Kind::Minus));
}

void TempoEditor::forgetViews(size_t position)
{
    if (position < m_beats.size())
        m_beats[position].views.reset();
}

std::optional<uint32_t> TempoEditor::itemHoldingTag(int tag) const
{
    auto holding = [&](int32_t key, bool Beat::*made) -> std::optional<uint32_t> {
        auto position = positionOfKey(key);
        if (!position || (made && !(m_beats[*position].*made)))
            return std::nullopt;
        return m_beats[*position].item;
    };
    if (auto item = holding(m_tags.keyFromBeatButtonTag(tag), nullptr))
        return item;
    if (m_tags.labelTag(m_tags.keyFromLabelTag(tag)) == tag) {
        if (auto item = holding(m_tags.keyFromLabelTag(tag), &Beat::labelMade))
            return item;
    }
    if (m_tags.plusTag(m_tags.keyFromPlusTag(tag)) == tag) {
        if (auto item = holding(m_tags.keyFromPlusTag(tag), &Beat::plusMade))
            return item;
    }
    if (m_tags.minusTag(m_tags.keyFromMinusTag(tag)) == tag)
        return holding(m_tags.keyFromMinusTag(tag), &Beat::minusMade);
    return std::nullopt;
}

std::shared_ptr<Tempo> TempoEditor::makeLabel(const Beat& beat) const
{
    auto label = Tempo::create(ui::RectMake(beat.x, beat.labelY, 24, 12));
    label->setTextColor(ui::Color::black());
    label->setFont(ui::Font::named("Arial", 10.8));
    label->setTag(m_tags.labelTag(beat.key));
    label->setText(beat.text);
    label->setGroup(beat.group);
    label->setIndex(beat.index);
    label->layer().setZPosition(10);
    return label;
}

std::shared_ptr<ui::Button> TempoEditor::makeButton(const Beat& beat, Kind kind) const
{
    bool plus = kind == Kind::Plus;
    auto button = ui::Button::create(ui::ButtonType::System, ui::RectMake(beat.x, plus ? beat.plusY : beat.minusY, 25, 25));
    button->setTag(plus ? m_tags.plusTag(beat.key) : m_tags.minusTag(beat.key));
    button->addTarget(m_owner, plus ? m_plusAction : m_minusAction, ui::ControlEvent::TouchDown);
    button->setTitle(plus ? "+" : "-");
    button->layer().setZPosition(10);
    return button;
}

const std::string& TempoEditor::tempoText(size_t position) const
{
    return m_beats[position].text;
}

std::shared_ptr<Tempo> TempoEditor::labelView(size_t position) const
{
    return position < m_beats.size() && m_beats[position].views ? m_beats[position].views->label : nullptr;
}

std::shared_ptr<ui::Button> TempoEditor::plusView(size_t position) const
{
    return position < m_beats.size() && m_beats[position].views ? m_beats[position].views->plus : nullptr;
}

std::shared_ptr<ui::Button> TempoEditor::minusView(size_t position) const
{
    return position < m_beats.size() && m_beats[position].views ? m_beats[position].views->minus : nullptr;
}

// Where the label stands or would stand: its place in the strip, in root coordinates.
std::optional<ui::Point> TempoEditor::labelPoint(size_t position) const
{
    if (position >= m_beats.size() || !m_strip)
        return std::nullopt;
    const Beat& beat = m_beats[position];
    return m_strip->convertPoint({ beat.x, beat.labelY }, m_root);
}

}
