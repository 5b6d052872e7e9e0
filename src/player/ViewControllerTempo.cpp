// Tempo editing on the player screen: revealing a beat's controls, stepping one beat or the whole
// song, arranging the tempo labels and saving the beat list.
#include "player/ViewController.h"

#include "platform/core/Dispatch.h"
#include "platform/core/Log.h"
#include "platform/ui/Button.h"
#include "platform/ui/GestureRecognizer.h"
#include "platform/ui/View.h"
#include "player/Tempo.h"
#include "score/Columns.h"
#include "score/Readings.h"
#include "score/SavedBeatList.h"

#include <algorithm>
#include <limits>
#include <optional>

namespace player {

namespace column = score::column;

namespace {

// The tag of the control that sent an action; none for a sender that is not a view.
std::optional<int32_t> tagOf(ui::Object* sender)
{
    auto* view = dynamic_cast<ui::View*>(sender);
    if (!view)
        return std::nullopt;
    return view->tag();
}

// Label integers are clamped 32-bit readings, so a step at either end saturates instead of
// overflowing.
int32_t stepped(int32_t value, int32_t by)
{
    int64_t sum = int64_t(value) + by;
    return int32_t(std::clamp<int64_t>(sum, std::numeric_limits<int32_t>::min(), std::numeric_limits<int32_t>::max()));
}

}

// Whether a beat key names a beat of both working lists; keys that do not are ignored.
static bool isEditableKey(const ViewController& player, int32_t key)
{
    return key >= 1 && size_t(key) <= player.tempoArray.size() && size_t(key) <= player.shadowArray.size();
}

void ViewController::revealControls(int32_t key)
{
    auto root = view();
    for (int32_t tag : { m_tags.labelTag(key), m_tags.plusTag(key), m_tags.minusTag(key) }) {
        if (auto control = root->viewWithTag(tag))
            control->setHidden(false);
    }
}

// The edited row is a changed copy, and the list is replaced by a fresh one holding it: anyone
// holding the old list or an old row keeps the tempo they saw.
void ViewController::setBeatTempo(size_t position, const Tempo& label)
{
    if (position >= shadowArray.size())
        return;
    std::vector<score::ScoreRow> list = shadowArray;
    list[position] = list[position].withIntValue(column::tempo, score::intValue(label.text()));
    shadowArray = std::move(list);
}

void ViewController::showControl(ui::Object* sender)
{
    auto tag = tagOf(sender);
    if (!tag)
        return;
    int32_t key = m_tags.keyFromBeatButtonTag(*tag);
    if (!isEditableKey(*this, key))
        return;
    revealControls(key);
}

// Reveals the whole group of the pressed beat. Every report of the gesture (began, changed,
// ended) reveals again, which changes nothing after the first.
void ViewController::userLongPressed(ui::Object* sender)
{
    auto* recognizer = dynamic_cast<ui::GestureRecognizer*>(sender);
    if (!recognizer || !recognizer->view())
        return;
    int32_t key = m_tags.keyFromBeatButtonTag(recognizer->view()->tag());
    if (!isEditableKey(*this, key))
        return;
    auto [first, last] = m_numbering.barOf(key, shadowArray[size_t(key) - 1].intValue(column::flipView));
    for (int64_t beat = first; beat <= last; ++beat) {
        // A group cut short at the end of the song has no controls past its last beat.
        if (beat > int64_t(tempoArray.size()))
            break;
        if (beat >= 1)
            revealControls(int32_t(beat));
    }
}

// Runs after the current touch has been handled; a screen that is gone by then drops the step.
void ViewController::addTempo(ui::Object* sender)
{
    auto tag = tagOf(sender);
    if (!tag)
        return;
    int32_t key = m_tags.keyFromPlusTag(*tag);
    std::weak_ptr<ViewController> weak = std::static_pointer_cast<ViewController>(shared_from_this());
    dispatch::mainQueue().async([weak, key] {
        auto self = weak.lock();
        if (!self || !isEditableKey(*self, key))
            return;
        size_t position = size_t(key) - 1;
        auto label = self->tempoArray[position];
        label->setText(core::format("%d", stepped(score::intValue(label->text()), 1)));
        self->setBeatTempo(position, *label);
        core::log("%d", int32_t(position));
    });
}

void ViewController::subtractTempo(ui::Object* sender)
{
    auto tag = tagOf(sender);
    if (!tag)
        return;
    int32_t key = m_tags.keyFromMinusTag(*tag);
    if (!isEditableKey(*this, key))
        return;
    size_t position = size_t(key) - 1;
    auto label = tempoArray[position];
    int32_t lowered = stepped(score::intValue(label->text()), -1);
    if (lowered < 1)
        return;
    label->setText(core::format("%d", lowered));
    core::log("%s", ui::stringFromPoint(label->convertPoint(label->bounds().origin, view().get())).c_str());
    setBeatTempo(position, *label);
    core::log("%d", int32_t(position));
}

void ViewController::increase(ui::Object*)
{
    global_factor = 1;
    tempoValue();
}

void ViewController::decrease(ui::Object*)
{
    global_factor = -1;
    tempoValue();
}

// Steps every beat by global_factor; a beat that would fall below 1 stays as it is. The rows are
// edited on one fresh copy of the list, which then replaces it whole.
void ViewController::tempoValue()
{
    std::vector<score::ScoreRow> list = shadowArray;
    for (size_t position = 0; position < tempoArray.size(); ++position) {
        auto& label = tempoArray[position];
        int32_t value = stepped(score::intValue(label->text()), global_factor);
        if (value < 1)
            continue;
        label->setText(core::format("%d", value));
        if (position < list.size())
            list[position] = list[position].withIntValue(column::tempo, score::intValue(label->text()));
    }
    shadowArray = std::move(list);
}

void ViewController::saveChanges(ui::Object*)
{
    for (const auto& plus : upBtnControls)
        plus->setHidden(true);
    for (const auto& minus : downBtnControls)
        minus->setHidden(true);
    if (!score::SavedBeatList::save(fileName, shadowArray))
        core::log("Could not write the beat list of %s to the settings store", fileName.c_str());
    rearrangeTempoControls();
}

}
