#include "player/HelpOverlay.h"

#include "platform/ui/Label.h"
#include "platform/ui/Layer.h"
#include "platform/ui/Window.h"

#include <utility>

namespace player {

namespace {

struct Line {
    const char* what;
    const char* meaning;
};

constexpr Line kKeys[] = {
    { "Space", "play or pause" },
    { "Left / Right", "one bar back / one beat on" },
    { "Home", "to bar 1" },
    { "Page Up / Down", "to the previous / next bar" },
    { "[  /  ]", "speed 5 % slower / faster" },
    { "P", "open or close the practice panel" },
    { "M / C / N", "click / count-in / notes on or off" },
    { "W", "wait mode: the cursor waits until you play the notes" },
    { "? or F1", "this help" },
    { "Escape", "back to the songs" },
};

constexpr Line kMarks[] = {
    { "Colours", "each note's colour as the song gives it; black notes in mode 1" },
    { "# and b", "the note is sharp (#) or flat (b)" },
    { "Rising / falling", "the small triangle on a note: its pitch rises / falls" },
    { "Circles", "slow beats (below 60 bpm) light one circle per quarter beat" },
    { "Shade", "dims the bars around the current beat; the Shade slider sets how much" },
    { "Orange band", "the repeated bars (Repeat bars)" },
    { "Tempo labels", "the written tempo of each beat; a tap shows + and -" },
    { "Dots", "where you played: green on time, blue early, orange late, red wrong" },
};

}

std::shared_ptr<HelpOverlay> HelpOverlay::create(std::function<void()> onClose)
{
    auto overlay = std::shared_ptr<HelpOverlay>(new HelpOverlay(std::move(onClose)));
    overlay->build();
    return overlay;
}

HelpOverlay::HelpOverlay(std::function<void()> onClose)
    : ui::View(ui::RectMake(0, 0, ui::Window::kWidth, ui::Window::kHeight))
    , m_onClose(std::move(onClose))
{
}

void HelpOverlay::build()
{
    setBackgroundColor(ui::Color::white(0, 0.45));
    setAccessibilityIdentifier("helpOverlay");
    // Over the toolbar and the practice panel.
    layer().setZPosition(400);

    constexpr double cardX = 112, cardY = 84, cardWidth = 800, lineHeight = 26;
    double cardHeight = 40 + 30 + lineHeight * double(std::size(kKeys)) + 20 + 30 + lineHeight * double(std::size(kMarks)) + 40 + 20;
    auto card = ui::View::create(ui::RectMake(cardX, cardY, cardWidth, cardHeight));
    card->setBackgroundColor(ui::Color::white());
    card->layer().setCornerRadius(12);
    card->setUserInteractionEnabled(false);
    addSubview(card);

    double y = 20;
    auto addLabel = [&](const std::string& text, ui::Font font, double x, double width, ui::Color colour) {
        auto label = ui::Label::create(ui::RectMake(x, y, width, lineHeight));
        label->setText(text);
        label->setFont(font);
        label->setTextColor(colour);
        card->addSubview(label);
    };
    auto heading = [&](const char* text) {
        addLabel(text, ui::Font::boldSystemFont(18), 32, cardWidth - 64, ui::Color::black());
        y += 34;
    };
    auto lines = [&](const auto& table) {
        for (const auto& line : table) {
            addLabel(line.what, ui::Font::boldSystemFont(15), 48, 160, ui::Color::black());
            addLabel(line.meaning, ui::Font::systemFont(15), 216, cardWidth - 248, ui::Color::darkGray());
            y += lineHeight;
        }
    };
    heading("Keys");
    lines(kKeys);
    y += 20;
    heading("On the strip");
    lines(kMarks);
    y += 16;
    addLabel("Press any key or tap to close.", ui::Font::systemFont(14), 32, cardWidth - 64, ui::Color::gray());
}

void HelpOverlay::touchesBegan(const ui::Touch&)
{
}

void HelpOverlay::touchesEnded(const ui::Touch&)
{
    if (auto onClose = m_onClose)
        onClose();
}

}
