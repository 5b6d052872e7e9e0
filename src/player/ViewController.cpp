#include "player/ViewController.h"

#include "platform/core/Log.h"
#include "platform/core/Timer.h"
#include "platform/ui/Button.h"
#include "platform/ui/Image.h"
#include "platform/ui/ImageView.h"
#include "platform/ui/Label.h"
#include "platform/ui/LongPressGestureRecognizer.h"
#include "platform/ui/ScrollView.h"
#include "platform/ui/SegmentedControl.h"
#include "platform/ui/Slider.h"
#include "platform/ui/Storyboard.h"
#include "platform/ui/TextField.h"
#include "platform/ui/Window.h"
#include "player/DottedLine.h"
#include "player/Roundify.h"
#include "player/Tempo.h"
#include "score/CSVParser.h"
#include "score/Columns.h"
#include "score/Readings.h"
#include "score/RowKind.h"
#include "score/SavedBeatList.h"
#include "score/ScoreSheet.h"

#include <algorithm>

namespace player {

namespace column = score::column;

namespace {

ui::Color colorOf(const score::Colour& colour)
{
    return ui::Color::rgba(colour.red, colour.green, colour.blue, colour.alpha);
}

// The cursor and the circles lie over the strip but must let every touch through to the beat
// controls beneath them.
std::shared_ptr<ui::View> makePassiveView(ui::View& parent, const char* identifier, ui::Rect frame, ui::Color colour)
{
    auto view = ui::View::create(frame);
    view->setBackgroundColor(colour);
    view->setUserInteractionEnabled(false);
    view->setAccessibilityIdentifier(identifier);
    parent.addSubview(view);
    return view;
}

// A beat timer that was never armed and reports not valid, so stopping the clock before the
// first play is harmless.
std::shared_ptr<core::Timer> unscheduledTimer()
{
    auto timer = core::Timer::create(0, nullptr, [](core::Timer&) { });
    timer->invalidate();
    return timer;
}

}

std::shared_ptr<ViewController> ViewController::create()
{
    return std::shared_ptr<ViewController>(new ViewController());
}

ViewController::ViewController()
{
    timer = unscheduledTimer();
}

ViewController::~ViewController() = default;

void ViewController::setMode(int32_t newMode, const std::string& file)
{
    mode = newMode;
    fileName = file;
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
    scrollView = ui::ScrollView::create(ui::RectMake(0, 0, ui::Window::kWidth, kContentHeight));
    scrollView->setBackgroundColor(ui::Color::white());
    scrollView->setAccessibilityIdentifier("scrollView");
    root->addSubview(scrollView);

    keyView = ui::View::create(ui::RectMake(kKeyX, 0, kKeyWidth, ui::Window::kHeight - kToolbarHeight));
    keyView->setBackgroundColor(ui::Color::white(0.97, 1));
    keyView->setAccessibilityIdentifier("keyView");
    keyView->setUserInteractionEnabled(false);
    // Above the dimming panels: the key stays readable wherever the cursor is.
    keyView->layer().setZPosition(20);
    keyView->layer().setBorderColor(ui::Color::white(0.8, 1));
    keyView->layer().setBorderWidth(1);
    root->addSubview(keyView);

    // Dark translucent panels dim everything but the current beat; the bands across it are light.
    auto dim = ui::Color::rgba(0.05, 0.06, 0.12, 1);
    leftShader = makePassiveView(*root, "leftShader", ui::RectMake(-1024, 0, 1024, 784), dim);
    rightShader = makePassiveView(*root, "rightShader", ui::RectMake(0, 0, 1024, 784), dim);
    leftShader->setAlpha(kInitialOpacity);
    rightShader->setAlpha(kInitialOpacity);
    upShader = makePassiveView(*root, "upShader", ui::RectMake(0, 125, 0, 40), ui::Color::rgba(0.35, 0.6, 1.0, 0.18));
    downShader = makePassiveView(*root, "downShader", ui::RectMake(0, 200, 0, 40), ui::Color::rgba(0.35, 0.6, 1.0, 0.18));
    finalshader = makePassiveView(*root, "finalshader", ui::RectMake(0, 165, 0, 40), ui::Color::rgba(1.0, 0.85, 0.2, 0.22));

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
    makeToolbarButton(bar, "back", "Songs", 8, 64, &ViewController::backtoModeSelection);
    makeToolbarButton(bar, "previous", "Prev", 84, 52, &ViewController::previous);
    makeToolbarButton(bar, "play", "Play", 140, 52, &ViewController::play);
    makeToolbarButton(bar, "pause", "Pause", 196, 56, &ViewController::pause);
    makeToolbarButton(bar, "next", "Next", 256, 52, &ViewController::next);

    repeat_SC = ui::SegmentedControl::create({ "Whole song", "Repeat bars" }, ui::RectMake(324, 12, 200, 32));
    repeat_SC->setSelectedSegmentIndex(0);
    repeat_SC->setAccessibilityIdentifier("repeat_SC");
    repeat_SC->addTarget(shared_from_this(), &ViewController::repeatControlChanged, ui::ControlEvent::ValueChanged);
    bar.addSubview(repeat_SC);

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
    start_TF = makeBarField("start_TF", "from", 532);
    end_TF = makeBarField("end_TF", "to", 590);

    auto shade = ui::Label::create(ui::RectMake(654, 12, 44, 32));
    shade->setText("Shade");
    shade->setFont(ui::Font::systemFont(13));
    shade->setTextColor(ui::Color::darkGray());
    bar.addSubview(shade);
    m_opacitySlider = ui::Slider::create(ui::RectMake(698, 12, 110, 32));
    m_opacitySlider->setMinimumValue(0);
    m_opacitySlider->setMaximumValue(1);
    m_opacitySlider->setValue(float(kInitialOpacity));
    m_opacitySlider->setAccessibilityIdentifier("opacity");
    m_opacitySlider->addTarget(shared_from_this(), &ViewController::changeOpacity, ui::ControlEvent::ValueChanged);
    bar.addSubview(m_opacitySlider);

    makeToolbarButton(bar, "decrease", "Tempo \xE2\x88\x92", 816, 70, &ViewController::decrease);
    makeToolbarButton(bar, "increase", "Tempo +", 888, 70, &ViewController::increase);
    makeToolbarButton(bar, "save", "Save", 962, 54, &ViewController::saveChanges);
}

// Set-up, in order: read the song, create the lists and the circles, restore the saved beat
// list, lay out every row while collecting beats and bars, size the strip, sort the lists by
// bar, reset the position, then place the cursor and the circles and arrange the tempo labels.
void ViewController::viewDidLoad()
{
    auto root = view();
    std::string path = score::ScoreSheet::songFilePath(fileName);
    auto parsed = score::CSVParser::parseCSVIntoArrayOfDictionariesFromFile(path, ",", std::string_view("\""));
    std::vector<score::ScoreRow> rows;
    if (parsed)
        rows = std::move(*parsed);
    else
        core::log("Cannot read the song file %s: the player shows an empty score", path.c_str());

    displayArray.clear();
    shadowArray.clear();
    tempoArray.clear();
    upBtnControls.clear();
    downBtnControls.clear();
    tempLabelControls.clear();
    groupControls.clear();
    circlesArray.clear();

    const ui::Color circleColours[] = { ui::Color::red(), ui::Color::blue(), ui::Color::green(), ui::Color::blue() };
    for (int i = 0; i < 4; ++i) {
        std::string identifier = "circle" + std::to_string(i);
        auto circle = makePassiveView(*root, identifier.c_str(), ui::RectMake(100, 100, 12, 12), circleColours[i]);
        circle->setAlpha(1.0);
        circle->layer().setCornerRadius(6.0);
        circle->setHidden(true);
        circlesArray.push_back(circle);
    }

    m_numbering = score::BeatNumbering::of(rows);
    int32_t highestKey = m_numbering.highestKey();
    m_tags = TagScheme::forHighestKey(highestKey);
    // A saved list that does not fit the song is not used (the loader says so in the log).
    auto saved = score::SavedBeatList::load(fileName, highestKey);
    m_hasSavedBeatList = saved.has_value();
    if (saved)
        shadowArray = std::move(*saved);

    m_upperTriangle = ui::Image::named("upper_triangle.png");
    m_lowerTriangle = ui::Image::named("lower_triangle.png");

    int64_t contentWidth = 0;
    for (const auto& row : rows) {
        drawData(row);
        if (!m_hasSavedBeatList && score::isBeatListRow(row))
            shadowArray.push_back(row);
        if (score::isBarListRow(row)) {
            displayArray.push_back(row);
            contentWidth += row.intValue(column::length);
        }
    }
    // The last bar's labels are still collecting: close the group so that arranging and saving
    // cover the last bar too.
    if (!groupControls.empty()) {
        tempLabelControls.push_back(std::move(groupControls));
        groupControls.clear();
    }

    scrollView->setContentSize({ double(contentWidth), kContentHeight });

    displayArray = score::ScoreSheet::sortedByBar(std::move(displayArray));
    shadowArray = score::ScoreSheet::sortedByBar(std::move(shadowArray));

    index = 0;
    timerFactor = 1.0f;
    timer = unscheduledTimer();
    startPage = 1;
    page = 1;
    shaderIndex = 1;
    initGlobalFactor();
    maxPage = int32_t(displayArray.size());

    // No cursor without a score to put it on: a saved list alone (its song file gone) is not one.
    if (shadowArray.empty() || !parsed) {
        if (parsed)
            core::log("Song %s has no beats: the player shows the score without a cursor", fileName.c_str());
        for (auto* shader : { &leftShader, &rightShader, &upShader, &downShader, &finalshader })
            (*shader)->setHidden(true);
    } else {
        placeCursor();
        circleIndex = 0;
        showCircularView();
        circlesArray[size_t(circleIndex)]->setHidden(false);
    }

    rearrangeTempoControls();
}

void ViewController::placeCursor()
{
    const auto& beat = shadowArray[size_t(index)];
    int32_t col = beat.intValue(column::ipadCol) / 2;
    int32_t len = beat.intValue(column::length) / 2;
    double ox = scrollView->contentOffset().x;
    rightShader->setFrame(ui::RectMake(double(col + len) - ox, 0, 1024, 784));
    leftShader->setFrame(ui::RectMake(double(col - 1024) - ox, 0, 1024, 784));
    double r = rightShader->frame().x();
    upShader->setFrame(ui::RectMake(r - len, 125, len, 40));
    downShader->setFrame(ui::RectMake(r - len, 200, len, 40));
    finalshader->setFrame(ui::RectMake(r - len, 165, len, 40));
}

void ViewController::viewDidUnload()
{
    scrollView.reset();
    leftShader.reset();
    rightShader.reset();
    upShader.reset();
    downShader.reset();
    finalshader.reset();
    keyView.reset();
}

void ViewController::initGlobalFactor()
{
    global_factor = 0;
}

bool ViewController::canPlay() const
{
    return !shadowArray.empty() && !displayArray.empty();
}

// One score row becomes its elements, by the whole number of its channel.
void ViewController::drawData(const score::ScoreRow& row)
{
    float x = row.floatValue(column::ipadCol) * 0.5f;
    float y = row.floatValue(column::ipadRows) * 0.5f;
    float w = row.floatValue(column::length) * 0.5f;
    float h = row.floatValue(column::height) * 0.5f;

    switch (score::rowKind(row)) {
    case score::RowKind::Beat: {
        auto self = shared_from_this();
        int32_t key = m_numbering.keyOf(row);

        auto beatButton = ui::Button::create(ui::ButtonType::System,
            ui::RectMake(x, row.floatValue(column::riseFall) * 0.5f, w, row.floatValue(column::height) * 3.0f));
        beatButton->setTag(m_tags.beatButtonTag(key));
        beatButton->addTarget(self, &ViewController::showControl, ui::ControlEvent::TouchDown);
        beatButton->addGestureRecognizer(ui::LongPressGestureRecognizer::create(self, &ViewController::userLongPressed));

        auto label = Tempo::create(ui::RectMake(x, y, 24, 12));
        label->setTextColor(ui::Color::black());
        label->setFont(ui::Font::named("Arial", 10.8));
        label->setTag(m_tags.labelTag(key));
        // With a saved list the tempo comes from it; a key outside it falls back to the row.
        if (m_hasSavedBeatList && key >= 1 && size_t(key) <= shadowArray.size())
            label->setText(std::string(shadowArray[size_t(key) - 1].text(column::tempo)));
        else
            label->setText(std::string(row.text(column::tempo)));
        label->setGroup(row.intValue(column::barNo));
        label->setIndex(row.intValue(column::beatsPerBar));
        label->setHidden(true);

        auto plus = ui::Button::create(ui::ButtonType::System, ui::RectMake(x, row.floatValue(column::riseFall) * 0.5f, 25, 25));
        plus->setTag(m_tags.plusTag(key));
        plus->addTarget(self, &ViewController::addTempo, ui::ControlEvent::TouchDown);
        plus->setTitle("+");
        plus->setHidden(true);

        auto minus = ui::Button::create(ui::ButtonType::System, ui::RectMake(x, row.floatValue(column::sharpFlat) * 0.5f, 25, 25));
        minus->setTag(m_tags.minusTag(key));
        minus->addTarget(self, &ViewController::subtractTempo, ui::ControlEvent::TouchDown);
        minus->setTitle("-");
        minus->setHidden(true);

        upBtnControls.push_back(plus);
        downBtnControls.push_back(minus);

        if (!groupControls.empty() && groupControls.back()->group() != label->group()) {
            tempLabelControls.push_back(std::move(groupControls));
            groupControls.clear();
        }
        groupControls.push_back(label);

        for (ui::View* control : { static_cast<ui::View*>(beatButton.get()), static_cast<ui::View*>(label.get()),
                 static_cast<ui::View*>(plus.get()), static_cast<ui::View*>(minus.get()) })
            control->layer().setZPosition(10);

        scrollView->addSubview(beatButton);
        scrollView->addSubview(label);
        scrollView->addSubview(plus);
        scrollView->addSubview(minus);
        tempoArray.push_back(label);
        break;
    }
    case score::RowKind::KeyLabel: {
        auto label = ui::Label::create(ui::RectMake(x, y, 75, 12));
        label->setTextColor(ui::Color::black());
        label->setFont(ui::Font::named("Arial", 10.8));
        label->setText(std::string(row.text(column::content)));
        label->setBackgroundColor(ui::Color::clear());
        keyView->addSubview(label);
        break;
    }
    case score::RowKind::SmallItalicLabel: {
        auto label = ui::Label::create(ui::RectMake(x, y, 7, 7));
        label->setTextColor(ui::Color::black());
        label->setFont(ui::Font::named("Arial-Italic", row.floatValue(column::flipView) * 4.0f));
        label->setText(std::string(row.text(column::content)));
        label->setBackgroundColor(ui::Color::clear());
        label->layer().setZPosition(score::zLevel(row));
        scrollView->addSubview(label);
        core::log("%s", ui::stringFromRect(label->frame()).c_str());
        break;
    }
    case score::RowKind::TextLabel: {
        auto label = ui::Label::create(ui::RectMake(x, y, w, 12));
        label->setTextColor(ui::Color::black());
        label->setFont(ui::Font::named("Arial", row.floatValue(column::flipView) * 4.0f));
        label->setText(std::string(row.text(column::content)));
        label->setBackgroundColor(colorOf(score::labelBackground(row)));
        label->layer().setZPosition(score::zLevel(row));
        scrollView->addSubview(label);
        break;
    }
    case score::RowKind::DottedLine: {
        auto line = DottedLine::create(ui::RectMake(x, y, w, h));
        line->setBackgroundColor(ui::Color::clear());
        line->layer().setZPosition(score::zLevel(row));
        scrollView->addSubview(line);
        break;
    }
    case score::RowKind::NoteBlock: {
        auto block = ui::View::create(ui::RectMake(x, y, w, h));
        // Row colour; black in mode 1 except the bands and 51/52; channel 20 red; "71" gray in mode 1.
        block->setBackgroundColor(colorOf(score::noteBlockColour(row, mode)));
        if (auto border = score::borderWidth(row)) {
            block->layer().setBorderColor(ui::Color::black());
            block->layer().setBorderWidth(*border);
        }
        if (auto mark = score::accidentalMark(row, mode)) {
            auto label = ui::Label::create(ui::RectMake(mark->frame.x, mark->frame.y, mark->frame.width, mark->frame.height));
            label->setTextColor(colorOf(mark->colour));
            label->setFont(ui::Font::named("Arial", 10));
            label->setText(mark->text);
            label->setBackgroundColor(ui::Color::clear());
            block->addSubview(label);
        }
        auto riseFall = score::riseFall(row);
        if (riseFall != score::RiseFall::None) {
            auto image = riseFall == score::RiseFall::Rising ? m_upperTriangle : m_lowerTriangle;
            auto mark = image ? ui::ImageView::createWithImage(image) : ui::ImageView::create();
            mark->setFrame(ui::RectMake(2, -12, 12, 12));
            block->addSubview(mark);
        }
        if (unsigned corners = score::roundedCorners(row))
            addRoundedCorners(*block, corners, { 15, 15 });
        block->layer().setZPosition(score::zLevel(row));
        scrollView->addSubview(block);
        if (score::sentToBack(row))
            scrollView->sendSubviewToBack(block.get());
        break;
    }
    }
}

void ViewController::showCircularView()
{
    if (index < 0 || size_t(index) >= shadowArray.size())
        return;
    const auto& beat = shadowArray[size_t(index)];
    if (beat.intValue(column::tempo) >= 60) {
        for (auto& circle : circlesArray)
            circle->setHidden(true);
        return;
    }
    double q = double(beat.floatValue(column::length) * 0.5f) * 0.25;
    double left = upShader->frame().x();
    for (size_t i = 0; i < circlesArray.size(); ++i)
        circlesArray[i]->setFrame(ui::RectMake((q - 12) * 0.5 + (double(i) * q + left), 182, 12, 12));
}

void ViewController::rearrangeTempoControls()
{
    for (const auto& group : tempLabelControls) {
        if (group.empty())
            continue;
        int32_t first = score::intValue(group.front()->text());
        bool allSame = true;
        for (const auto& label : group) {
            if (score::intValue(label->text()) != first)
                allSame = false;
            label->setHidden(true);
        }
        if (allSame)
            group.front()->setHidden(false);
        else
            for (const auto& label : group)
                label->setHidden(false);
    }
}

void ViewController::keyPressed(ui::Key key)
{
    switch (key) {
    case ui::Key::Escape:
        backtoModeSelection(nullptr);
        break;
    case ui::Key::Space:
        if (timer && timer->isValid())
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
    default:
        break;
    }
}

void ViewController::backtoModeSelection(ui::Object*)
{
    if (timer)
        timer->invalidate();
    if (circletimer)
        circletimer->invalidate();
    dismissViewControllerAnimated(ui::Animated::Yes);
}

// The slider's value is the transparency of the two dimming panels; the bands keep theirs.
void ViewController::changeOpacity(ui::Object* sender)
{
    auto* slider = dynamic_cast<ui::Slider*>(sender);
    if (!slider)
        return;
    leftShader->setAlpha(double(slider->value()));
    rightShader->setAlpha(double(slider->value()));
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
