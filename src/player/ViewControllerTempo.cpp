// Tempo editing on the player screen: the beat controls' actions, the song-wide steps, arranging
// the tempo labels and saving the beat list. The tempo editor keeps the controls and the texts.
#include "player/ViewController.h"

#include "platform/core/Dispatch.h"
#include "platform/core/Log.h"
#include "platform/core/UserDefaults.h"
#include "platform/ui/AlertView.h"
#include "platform/ui/GestureRecognizer.h"
#include "platform/ui/View.h"
#include "player/Toast.h"
#include "score/Columns.h"
#include "score/SavedBeatList.h"

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

}

// Whether a beat key names a beat of both working lists; keys that do not are ignored.
bool ViewController::isEditableKey(int32_t key) const
{
    return key >= 1 && size_t(key) <= m_tempi.beatCount() && size_t(key) <= m_sheet.shadowArray().size();
}

void ViewController::revealControls(int32_t key)
{
    m_tempi.reveal(key);
}

void ViewController::showControl(ui::Object* sender)
{
    auto tag = tagOf(sender);
    if (!tag)
        return;
    int32_t key = tagScheme().keyFromBeatButtonTag(*tag);
    if (!isEditableKey(key))
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
    int32_t key = tagScheme().keyFromBeatButtonTag(recognizer->view()->tag());
    if (!isEditableKey(key))
        return;
    auto [first, last] = m_sheet.numbering().barOf(key, m_sheet.shadowArray()[size_t(key) - 1].intValue(column::flipView));
    for (int64_t beat = first; beat <= last; ++beat) {
        // A group cut short at the end of the song has no controls past its last beat.
        if (beat > int64_t(m_tempi.beatCount()))
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
    int32_t key = tagScheme().keyFromPlusTag(*tag);
    std::weak_ptr<ViewController> weak = std::static_pointer_cast<ViewController>(shared_from_this());
    dispatch::mainQueue().async([weak, key] {
        auto self = weak.lock();
        if (!self || !self->isEditableKey(key))
            return;
        size_t position = size_t(key) - 1;
        if (self->m_tempi.step(position, 1, self->m_sheet))
            self->m_tempiEdited = true;
        core::log("%d", int32_t(position));
    });
}

void ViewController::subtractTempo(ui::Object* sender)
{
    auto tag = tagOf(sender);
    if (!tag)
        return;
    int32_t key = tagScheme().keyFromMinusTag(*tag);
    if (!isEditableKey(key))
        return;
    size_t position = size_t(key) - 1;
    if (!m_tempi.step(position, -1, m_sheet))
        return;
    m_tempiEdited = true;
    if (auto point = m_tempi.labelPoint(position))
        core::log("%s", ui::stringFromPoint(*point).c_str());
    core::log("%d", int32_t(position));
}

void ViewController::increase(ui::Object*)
{
    m_globalFactor = 1;
    tempoValue();
}

void ViewController::decrease(ui::Object*)
{
    m_globalFactor = -1;
    tempoValue();
}

void ViewController::tempoValue()
{
    m_tempi.stepAll(m_globalFactor, m_sheet);
    if (m_tempi.beatCount() > 0)
        m_tempiEdited = true;
}

void ViewController::rearrangeTempoControls()
{
    m_tempi.rearrange();
}

// The list as it stands is written on the saving thread, so a long song never stalls the screen;
// the result comes back on the main queue, to the log and to whoever asked to be told.
void ViewController::saveChanges(ui::Object*)
{
    std::weak_ptr<ViewController> weak = std::static_pointer_cast<ViewController>(shared_from_this());
    saveTempi([weak](bool saved) {
        auto self = weak.lock();
        if (saved && self && self->isViewLoaded())
            Toast::show(*self->view(), "Tempi saved");
    });
}

// `done` hears the result on the main queue, after whoever asked with setSaveCompletion.
void ViewController::saveTempi(std::function<void(bool)> done)
{
    m_tempi.hideStepButtons();
    std::weak_ptr<ViewController> weak = std::static_pointer_cast<ViewController>(shared_from_this());
    std::string name = m_fileName;
    // Edits made after this point are not in this save; a failed save leaves them unsaved.
    m_tempiEdited = false;
    score::SavedBeatList::saveInBackground(m_fileName, m_sheet.shadowArray(), [weak, name, done = std::move(done)](bool saved) {
        if (!saved) {
            core::log("Could not write the beat list of %s to the settings store", name.c_str());
            // The edits stay in the list, so the user can save again once the cause is mended.
            std::string why = core::UserDefaults::standardUserDefaults()->lastSaveFailure();
            ui::AlertView::create("Error", "The tempi were not saved. " + why, { "OK" })->show();
        }
        auto self = weak.lock();
        if (self && !saved)
            self->m_tempiEdited = true;
        if (self && self->m_saveCompletion)
            self->m_saveCompletion(saved);
        if (done)
            done(saved);
    });
    rearrangeTempoControls();
}

}
