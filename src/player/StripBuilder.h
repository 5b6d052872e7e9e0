#pragma once
#include "platform/ui/Control.h"

#include <cstdint>
#include <memory>

namespace score {
class ScoreRow;
class ScoreSheet;
}

namespace ui {
class Image;
class ScrollView;
class View;
}

namespace player {

class TagScheme;
class TempoEditor;

// Lays out score rows on the strip: each row becomes the elements of its kind, placed with the
// score layer's layout rules (points, frames, font sizes, colours). Only key labels go to the key
// view beside the strip. Beat rows get their beat button here; their tempo label and step
// buttons belong to the tempo editor, which makes them when they are first shown.
class StripBuilder {
public:
    struct Targets {
        // The owner of the actions; taps on a beat button and long presses on it.
        std::weak_ptr<void> owner;
        ui::Control::Action showControl;
        ui::Control::Action longPress;
    };

    StripBuilder(ui::ScrollView& strip, ui::View& keyView, int32_t mode, const score::ScoreSheet& sheet, TempoEditor& tempi,
        Targets targets);

    // One row, by the whole number of its channel.
    void addRow(const score::ScoreRow& row);

    void addBeat(const score::ScoreRow& row);
    void addKeyLabel(const score::ScoreRow& row);
    void addSmallItalicLabel(const score::ScoreRow& row);
    void addTextLabel(const score::ScoreRow& row);
    void addDottedLine(const score::ScoreRow& row);
    void addNoteBlock(const score::ScoreRow& row);

private:
    void addMarks(ui::View& block, const score::ScoreRow& row);

    ui::ScrollView& m_strip;
    ui::View& m_keyView;
    int32_t m_mode;
    const score::ScoreSheet& m_sheet;
    TempoEditor& m_tempi;
    Targets m_targets;
    std::shared_ptr<ui::Image> m_upperTriangle;
    std::shared_ptr<ui::Image> m_lowerTriangle;
};

}
