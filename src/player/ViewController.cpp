#include "player/ViewController.h"

#include "platform/core/Log.h"
#include "platform/core/Timer.h"
#include "platform/ui/Button.h"
#include "platform/ui/Label.h"
#include "platform/ui/ScrollView.h"
#include "platform/ui/SegmentedControl.h"
#include "platform/ui/Slider.h"
#include "platform/ui/Storyboard.h"
#include "platform/ui/TextField.h"
#include "platform/ui/Window.h"
#include "player/HelpOverlay.h"
#include "player/Overview.h"
#include "player/PracticeSettings.h"
#include "player/Strip.h"
#include "player/StripBuilder.h"
#include "score/Columns.h"

namespace player {

std::shared_ptr<ViewController> ViewController::create()
{
    return std::shared_ptr<ViewController>(new ViewController());
}

ViewController::ViewController() = default;

ViewController::~ViewController() = default;

void ViewController::setMode(int32_t newMode, const std::string& file)
{
    m_mode = newMode;
    m_fileName = file;
}

void ViewController::setBeatClock(BeatClock mode)
{
    m_clock.setMode(mode == BeatClock::Deadline ? player::BeatClock::Mode::Deadline : player::BeatClock::Mode::FromStep);
}

// The screen: the strip at the origin under everything, the key over its right edge (the page
// turns before the current bar gets there), the five cursor views over the strip, and the
// toolbar along the bottom above all of them.
void ViewController::loadView()
{
    auto root = ui::View::create(ui::RectMake(0, 0, ui::Window::kWidth, ui::Window::kHeight));
    root->setBackgroundColor(ui::Color::white());

    // As tall as the content, so the strip only ever scrolls sideways (the wheel too); the toolbar
    // covers its bottom edge, where songs draw nothing.
    m_scrollView = Strip::create(ui::RectMake(0, 0, ui::Window::kWidth, kContentHeight));
    m_scrollView->setBackgroundColor(ui::Color::white());
    m_scrollView->setAccessibilityIdentifier("scrollView");
    root->addSubview(m_scrollView);

    m_keyView = ui::View::create(ui::RectMake(kKeyX, 0, kKeyWidth, ui::Window::kHeight - kToolbarHeight));
    m_keyView->setBackgroundColor(ui::Color::white(0.97, 1));
    m_keyView->setAccessibilityIdentifier("keyView");
    m_keyView->setUserInteractionEnabled(false);
    // Above the dimming panels: the key stays readable wherever the cursor is.
    m_keyView->layer().setZPosition(20);
    m_keyView->layer().setBorderColor(ui::Color::white(0.8, 1));
    m_keyView->layer().setBorderWidth(1);
    root->addSubview(m_keyView);

    m_cursor.install(*root, kInitialOpacity);
    installPractice(*root);
    buildToolbar(*root);
    setView(root);
}

std::shared_ptr<ui::Button> ViewController::makeToolbarButton(ui::View& toolbar, const char* identifier, const char* title, double x,
    double width, void (ViewController::*action)(ui::Object*))
{
    auto button = ui::Button::create(ui::ButtonType::System, ui::RectMake(x, 10, width, 36));
    button->setTitle(title);
    button->setTitleFont(ui::Font::systemFont(16));
    button->setAccessibilityIdentifier(identifier);
    button->addTarget(shared_from_this(), action, ui::ControlEvent::TouchUpInside);
    toolbar.addSubview(button);
    return button;
}

void ViewController::buildToolbar(ui::View& root)
{
    m_toolbar = ui::View::create(ui::RectMake(0, ui::Window::kHeight - kToolbarHeight, ui::Window::kWidth, kToolbarHeight));
    m_toolbar->setBackgroundColor(ui::Color::white(0.97, 1));
    m_toolbar->setAccessibilityIdentifier("toolbar");
    // Above the dimming panels, which reach to 784 points.
    m_toolbar->layer().setZPosition(100);
    root.addSubview(m_toolbar);
    auto rule = ui::View::create(ui::RectMake(0, 0, ui::Window::kWidth, 1));
    rule->setBackgroundColor(ui::Color::white(0.78, 1));
    m_toolbar->addSubview(rule);

    auto& bar = *m_toolbar;
    makeToolbarButton(bar, "back", "Songs", 6, 58, &ViewController::backtoModeSelection);
    makeToolbarButton(bar, "previous", "Prev", 66, 46, &ViewController::previous);
    m_playButton = makeToolbarButton(bar, "play", "Play", 114, 46, &ViewController::play);
    m_pauseButton = makeToolbarButton(bar, "pause", "Pause", 162, 54, &ViewController::pause);
    makeToolbarButton(bar, "next", "Next", 218, 46, &ViewController::next);
    for (auto* button : { m_playButton.get(), m_pauseButton.get() })
        button->layer().setCornerRadius(8);
    makeToolbarButton(bar, "practice", "Practice", 266, 70, &ViewController::togglePractice);
    makeToolbarButton(bar, "help", "?", 336, 28, &ViewController::showHelp);

    m_repeatControl = ui::SegmentedControl::create({ "Whole song", "Repeat bars" }, ui::RectMake(370, 12, 180, 32));
    m_repeatControl->setSelectedSegmentIndex(0);
    m_repeatControl->setAccessibilityIdentifier("repeat_SC");
    m_repeatControl->addTarget(shared_from_this(), &ViewController::repeatControlChanged, ui::ControlEvent::ValueChanged);
    bar.addSubview(m_repeatControl);
    addBarFields(bar);

    makeToolbarButton(bar, "decrease", "Tempo \xE2\x88\x92", 816, 70, &ViewController::decrease);
    makeToolbarButton(bar, "increase", "Tempo +", 888, 70, &ViewController::increase);
    makeToolbarButton(bar, "save", "Save", 962, 54, &ViewController::saveChanges);
}

// The repeat range's two bar fields and the slider of the panels' transparency.
void ViewController::addBarFields(ui::View& bar)
{
    auto self = std::dynamic_pointer_cast<ViewController>(shared_from_this());
    auto makeBarField = [&](const char* identifier, const char* placeholder, double x) {
        auto field = ui::TextField::create(ui::RectMake(x, 12, 52, 32));
        field->setPlaceholder(placeholder);
        field->setFont(ui::Font::systemFont(15));
        field->setTextAlignment(ui::TextAlignment::Center);
        field->setAccessibilityIdentifier(identifier);
        field->setDelegate(std::static_pointer_cast<ui::TextFieldDelegate>(self));
        bar.addSubview(field);
        return field;
    };
    m_startField = makeBarField("start_TF", "from", 556);
    m_endField = makeBarField("end_TF", "to", 612);

    auto shade = ui::Label::create(ui::RectMake(670, 12, 42, 32));
    shade->setText("Shade");
    shade->setFont(ui::Font::systemFont(13));
    shade->setTextColor(ui::Color::darkGray());
    bar.addSubview(shade);
    m_opacitySlider = ui::Slider::create(ui::RectMake(712, 12, 98, 32));
    m_opacitySlider->setMinimumValue(0);
    m_opacitySlider->setMaximumValue(1);
    m_opacitySlider->setValue(float(kInitialOpacity));
    m_opacitySlider->setAccessibilityIdentifier("opacity");
    m_opacitySlider->addTarget(shared_from_this(), &ViewController::changeOpacity, ui::ControlEvent::ValueChanged);
    bar.addSubview(m_opacitySlider);
}

// Set-up, in order: open the song (its rows, the saved beat list if one fits, both lists sorted
// by bar), create the circles, lay out every row, size the strip, reset the position, then place
// the cursor and the circles and arrange the tempo labels.
void ViewController::viewDidLoad()
{
    m_sheet = score::ScoreSheet::open(m_fileName);
    if (!m_sheet.readable())
        core::log("Cannot read the song file %s: the player shows an empty score", score::ScoreSheet::songFilePath(m_fileName).c_str());
    m_cursor.createCircles(*view());
    layOutSong();
    m_scrollView->setContentSize({ double(m_sheet.contentWidth()), kContentHeight });

    m_transport.reset(int32_t(m_sheet.displayArray().size()));
    initGlobalFactor();

    // No cursor without a score to put it on: a saved list alone (its song file gone) is not one.
    if (m_sheet.shadowArray().empty() || !m_sheet.readable()) {
        if (m_sheet.readable())
            core::log("Song %s has no beats: the player shows the score without a cursor", m_fileName.c_str());
        m_cursor.hideAll();
    } else {
        placeCursorAtSetUp();
    }
    rearrangeTempoControls();
    restorePractice();
    refreshPosition();
    showTransportState();
}

void ViewController::layOutSong()
{
    // The controls hold the screen weakly and keep it alive while they call it, so the actions
    // need only its address; that keeps them small enough to need no allocation per beat.
    std::weak_ptr<ViewController> weak = std::static_pointer_cast<ViewController>(shared_from_this());
    ViewController* self = this;
    m_tempi.reset(m_scrollView.get(), view().get(), TagScheme::forHighestKey(m_sheet.highestBeatKey()));
    m_tempi.setActions(
        weak, [self](ui::Object* sender) { self->addTempo(sender); }, [self](ui::Object* sender) { self->subtractTempo(sender); });
    StripBuilder::Targets targets { weak, [self](ui::Object* sender) { self->showControl(sender); },
        [self](ui::Object* sender) { self->userLongPressed(sender); } };
    m_builder = std::make_unique<StripBuilder>(*m_scrollView, *m_keyView, m_mode, m_sheet, m_tempi, std::move(targets));
    for (const auto& row : m_sheet.rows())
        m_builder->addRow(row);
    // The last bar's labels are still collecting: close the group so that arranging and saving
    // cover the last bar too.
    m_tempi.closeGroup();
    // The strip may outlive the screen (a window still showing it): it asks only a screen that
    // is still there.
    m_scrollView->setMaker([weak](uint32_t item, std::vector<std::pair<int, std::shared_ptr<ui::View>>>& out) {
        if (auto screen = weak.lock(); screen && screen->m_builder)
            screen->m_builder->make(item, out);
    });
    m_scrollView->setReleaser([weak](uint32_t item) {
        if (auto screen = weak.lock(); screen && screen->m_builder)
            screen->m_builder->release(item);
    });
    m_scrollView->setTagFinder([weak](int tag) -> std::optional<uint32_t> {
        auto screen = weak.lock();
        return screen ? screen->m_tempi.itemHoldingTag(tag) : std::nullopt;
    });
    m_builder->finish();
    collectNotes();
    collectPlayAlongNotes();
    m_sheet.releaseRows();
}

// The circles lie over the first beat from the start; the first is lit only when that beat is
// slow, as on every later beat.
void ViewController::placeCursorAtSetUp()
{
    placeCursor();
    const auto& beat = *currentBeat();
    m_cursor.placeCircles(beat);
    if (beat.intValue(score::column::tempo) < 60)
        m_cursor.resetCircles();
    else
        m_cursor.hideCircles();
}

void ViewController::placeCursor()
{
    if (auto* beat = currentBeat())
        m_cursor.place(*beat, m_scrollView->contentOffset().x);
    refreshPosition();
}

const score::ScoreRow* ViewController::currentBeat() const
{
    int32_t i = m_transport.index();
    const auto& beats = m_sheet.shadowArray();
    return i >= 0 && size_t(i) < beats.size() ? &beats[size_t(i)] : nullptr;
}

void ViewController::viewDidUnload()
{
    m_scrollView.reset();
    m_cursor.release();
    m_keyView.reset();
    m_practice.release();
    m_loopBand.reset();
    m_help.reset();
    m_clickButton.reset();
    m_countInButton.reset();
    m_notesButton.reset();
    m_volumeSlider.reset();
    m_offsetSlider.reset();
    m_offsetLabel.reset();
    m_soundStatus.reset();
    for (auto* timer : { m_judgeTimer.get(), m_rescanTimer.get() }) {
        if (timer)
            timer->invalidate();
    }
    m_midiButton.reset();
    m_waitButton.reset();
    m_toleranceSlider.reset();
    m_toleranceLabel.reset();
    m_scoreLabel.reset();
    m_bestLabel.reset();
    m_historyLabel.reset();
    m_heldViews.clear();
    m_marks.clear();
}

void ViewController::initGlobalFactor()
{
    m_globalFactor = 0;
}

bool ViewController::canPlay() const
{
    return !m_sheet.shadowArray().empty() && !m_sheet.displayArray().empty();
}

void ViewController::drawData(const score::ScoreRow& row)
{
    if (!m_builder)
        return;
    m_builder->addRow(row);
    // A row added after layout is made now if it is in sight.
    m_builder->finish();
}

void ViewController::showCircularView()
{
    if (auto* beat = currentBeat())
        m_cursor.layCircles(*beat);
}

void ViewController::keyPressed(ui::Key key)
{
    // The help takes the first key, whichever it is, to close.
    if (m_help) {
        hideHelp();
        return;
    }
    if (practiceKeyPressed(key))
        return;
    switch (key) {
    case ui::Key::Escape:
        backtoModeSelection(nullptr);
        break;
    case ui::Key::Space:
        if (m_clock.isRunning())
            pause(nullptr);
        else
            play(nullptr);
        break;
    case ui::Key::Left:
        previous(nullptr);
        break;
    case ui::Key::Right:
        next(nullptr);
        break;
    case ui::Key::Home:
        goToBar(1);
        break;
    case ui::Key::PageUp:
        if (page() > 1)
            goToBar(page() - 1);
        break;
    case ui::Key::PageDown:
        if (size_t(page()) < m_sheet.displayArray().size())
            goToBar(page() + 1);
        break;
    case ui::Key::Question:
    case ui::Key::F1:
        showHelp(nullptr);
        break;
    default:
        break;
    }
}

// The practice panel's keys: speed, the panel itself, and the sound and play-along toggles.
bool ViewController::practiceKeyPressed(ui::Key key)
{
    switch (key) {
    case ui::Key::BracketLeft:
        m_practice.stepSpeed(-PracticePanel::kSpeedStep);
        return true;
    case ui::Key::BracketRight:
        m_practice.stepSpeed(PracticePanel::kSpeedStep);
        return true;
    case ui::Key::P:
        togglePractice(nullptr);
        return true;
    case ui::Key::M:
        toggleClick(nullptr);
        return true;
    case ui::Key::C:
        toggleCountIn(nullptr);
        return true;
    case ui::Key::N:
        toggleNotes(nullptr);
        return true;
    case ui::Key::W:
        toggleWaitMode(nullptr);
        return true;
    default:
        return false;
    }
}

bool ViewController::textFieldShouldReturn(ui::TextField* textField)
{
    textField->resignFirstResponder();
    return false;
}

void registerPlayerScreen()
{
    ui::Storyboard::registerScreen("Main", [] { return ViewController::create(); });
}

}
