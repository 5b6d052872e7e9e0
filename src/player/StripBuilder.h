#pragma once
#include "platform/ui/Color.h"
#include "platform/ui/Control.h"
#include "platform/ui/Geometry.h"
#include "score/Colour.h"
#include "score/RowKind.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <map>
#include <tuple>
#include <utility>
#include <vector>

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

class Strip;
class TagScheme;
class TempoEditor;

// Lays out score rows on the strip: each row becomes the elements of its kind, placed with the
// score layer's layout rules (points, frames, font sizes, colours). Only key labels go to the key
// view beside the strip. Beat rows get their beat button here; their tempo label and step
// buttons belong to the tempo editor, which makes them when they are first shown.
//
// A strip row is kept as a few numbers (its frame and its look, the looks shared) until the strip
// asks for its views as it comes near sight: the song's rows themselves are let go after layout.
class StripBuilder {
public:
    struct Targets {
        // The owner of the actions; taps on a beat button and long presses on it.
        std::weak_ptr<void> owner;
        ui::Control::Action showControl;
        ui::Control::Action longPress;
    };

    StripBuilder(Strip& strip, ui::View& keyView, int32_t mode, const score::ScoreSheet& sheet, TempoEditor& tempi, Targets targets);

    // One row, by the whole number of its channel.
    void addRow(const score::ScoreRow& row);
    // Every row is in: the strip makes the rows in sight, through its maker (which calls `make`).
    void finish();
    // The views of strip row `item`, its own first (slot 0), for the strip.
    void make(uint32_t item, std::vector<std::pair<int, std::shared_ptr<ui::View>>>& out) const;
    // Strip row `item` lets its views go: a beat's tempo controls are forgotten with it.
    void release(uint32_t item) const;

    void addBeat(const score::ScoreRow& row);
    void addKeyLabel(const score::ScoreRow& row);
    void addSmallItalicLabel(const score::ScoreRow& row);
    void addTextLabel(const score::ScoreRow& row);
    void addDottedLine(const score::ScoreRow& row);
    void addNoteBlock(const score::ScoreRow& row);

private:
    // A described row: where it is and how it looks.
    struct Item {
        score::Frame frame;
        float z = 0;
        // Border width of a block; font size of a label.
        float size = 0;
        // A label's text, or a beat's key.
        uint32_t detail = 0;
        // A beat's place in the tempo editor.
        uint32_t position = 0;
        // Background and mark colours, from the palette.
        uint32_t colour = 0;
        uint32_t markColour = 0;
        score::RowKind kind = score::RowKind::NoteBlock;
        uint8_t corners = 0;
        uint8_t mark = 0; // 1 "#", 2 "b"
        uint8_t flags = 0;
    };
    enum Flag : uint8_t { Bordered = 1, Rising = 2, Falling = 4 };

    void defer(Item item, bool sentToBack);
    void defer(Item item, bool sentToBack, ui::Rect extent);
    uint32_t paletteIndex(const score::Colour& colour);
    uint32_t paletteSlot(const score::Colour& colour);
    std::shared_ptr<ui::View> makeBeat(const Item& item) const;
    std::shared_ptr<ui::View> makeLabel(const Item& item) const;
    std::shared_ptr<ui::View> makeNoteBlock(const Item& item) const;
    void addMarks(ui::View& block, const Item& item) const;

    Strip& m_strip;
    ui::View& m_keyView;
    int32_t m_mode;
    const score::ScoreSheet& m_sheet;
    TempoEditor& m_tempi;
    Targets m_targets;
    std::shared_ptr<ui::Image> m_upperTriangle;
    std::shared_ptr<ui::Image> m_lowerTriangle;
    std::vector<Item> m_items;
    std::vector<std::string> m_texts;
    std::vector<ui::Color> m_palette;
    std::map<std::tuple<double, double, double, double>, uint32_t> m_paletteIndex;
    std::optional<score::Colour> m_lastColour;
    uint32_t m_lastIndex = 0;
};

}
