#pragma once
#include "platform/ui/Control.h"
#include "player/TagScheme.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace score {
class ScoreRow;
class ScoreSheet;
}

namespace ui {
class Button;
class View;
}

namespace player {

class Strip;
class Tempo;

// The tempo controls of every beat and the edits made with them. A beat has a tempo label, a "+"
// and a "-" button beside its beat button. Most of them stay hidden for a whole visit (a bar whose
// beats share a tempo shows one label), so each is only a few numbers here until it is first
// shown: its view is made then and put into the strip right behind the beat's earlier controls,
// where it would have stood had it been made up front. A control never shown has no view, so no
// tag lookup or dump finds it. Once made, a view stays, hidden or shown. While the beat's row is
// not made yet (out of sight), a control shown is only marked as made: its view comes with the
// beat's button.
//
// Positions count beats in layout order (the order of `tempoArray`); the beat with key k sits at
// position k - 1 of both this list and the beat list.
class TempoEditor {
public:
    // Where a beat's controls go: points in the strip, and the label's text and group.
    struct BeatPlacement {
        int32_t key = 0;
        float x = 0;
        float labelY = 0;
        float plusY = 0;
        float minusY = 0;
        int32_t group = 0;
        int32_t index = 0;
        std::string text;
    };

    void reset(Strip* strip, ui::View* root, TagScheme tags);
    // Taps on the step buttons go to these actions of the owner.
    void setActions(std::weak_ptr<void> owner, ui::Control::Action plus, ui::Control::Action minus);

    // Room for this many beats, so a long song grows the list once.
    void reserve(size_t beats) { m_beats.reserve(beats); }
    // Layout: the controls of the next beat, whose beat button is strip row `item`.
    void addBeat(const BeatPlacement& placement, uint32_t item);
    // The views of the controls made so far of the beat at `position`, for the strip making its
    // row: the label at slot 1, "+" at 2, "-" at 3.
    void makeControls(size_t position, std::vector<std::pair<int, std::shared_ptr<ui::View>>>& out);
    // The strip let the beat's row go: its controls' views go too (made again with the row).
    void forgetViews(size_t position);
    // The strip row holding a beat button or a made control with this tag.
    std::optional<uint32_t> itemHoldingTag(int tag) const;
    // The group still collecting joins the finished ones and has its labels arranged; the layout
    // calls it at each change of group and at its end, so the labels a bar shows are made while
    // their beat buttons are still near the end of the strip.
    void closeGroup();

    // Reveals the label, "+" and "-" of the beat with this key; false when there is none.
    bool reveal(int32_t key);
    // One beat's label and row, stepped by `by`; false (nothing changed) when a step down falls
    // below 1 or there is no such beat.
    bool step(size_t position, int32_t by, score::ScoreSheet& sheet);
    // Every beat stepped by global_factor; a beat that would fall below 1 stays as it is.
    void stepAll(int32_t factor, score::ScoreSheet& sheet);
    // Per finished group: one label when its beats share a tempo, all of them otherwise.
    void rearrange();
    void hideStepButtons();

    // Read access.
    size_t beatCount() const { return m_beats.size(); }
    const std::string& tempoText(size_t position) const;
    int32_t keyAt(size_t position) const { return m_beats[position].key; }
    bool labelShown(size_t position) const { return m_beats[position].labelShown; }
    bool plusShown(size_t position) const { return m_beats[position].plusShown; }
    bool minusShown(size_t position) const { return m_beats[position].minusShown; }
    // The views, when they have been made.
    std::shared_ptr<Tempo> labelView(size_t position) const;
    std::shared_ptr<ui::Button> plusView(size_t position) const;
    std::shared_ptr<ui::Button> minusView(size_t position) const;
    // The finished groups and the group still collecting, as positions.
    const std::vector<std::vector<size_t>>& tempLabelControls() const { return m_groups; }
    const std::vector<size_t>& groupControls() const { return m_collecting; }
    // The screen point of a beat's label (its origin in root coordinates).
    std::optional<ui::Point> labelPoint(size_t position) const;
    const TagScheme& tags() const { return m_tags; }

private:
    // The views of a beat that has shown any control.
    struct Views {
        std::shared_ptr<Tempo> label;
        std::shared_ptr<ui::Button> plus;
        std::shared_ptr<ui::Button> minus;
    };
    // Everything a beat's controls need before and after they are made.
    struct Beat {
        int32_t key = 0;
        int32_t group = 0;
        int32_t index = 0;
        float x = 0;
        float labelY = 0;
        float plusY = 0;
        float minusY = 0;
        bool labelShown = false;
        bool plusShown = false;
        bool minusShown = false;
        // Shown once, so made (or to be made with the beat's row).
        bool labelMade = false;
        bool plusMade = false;
        bool minusMade = false;
        std::string text;
        uint32_t item = 0;
        std::unique_ptr<Views> views;
    };
    enum class Kind { Label, Plus, Minus };

    std::optional<size_t> positionOfKey(int32_t key) const;
    void arrange(const std::vector<size_t>& group);
    void setText(Beat& beat, int32_t value);
    void setShown(Beat& beat, Kind kind, bool shown);
    static ui::View* viewOf(const Beat& beat, Kind kind);
    void makeView(Beat& beat, Kind kind);
    std::shared_ptr<ui::View> newView(Beat& beat, Kind kind);
    std::shared_ptr<Tempo> makeLabel(const Beat& beat) const;
    std::shared_ptr<ui::Button> makeButton(const Beat& beat, Kind kind) const;

    Strip* m_strip = nullptr;
    ui::View* m_root = nullptr;
    TagScheme m_tags;
    std::weak_ptr<void> m_owner;
    ui::Control::Action m_plusAction;
    ui::Control::Action m_minusAction;
    std::vector<Beat> m_beats;
    std::vector<std::vector<size_t>> m_groups;
    std::vector<size_t> m_collecting;
};

}
