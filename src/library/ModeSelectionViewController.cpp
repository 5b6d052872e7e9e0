#include "library/ModeSelectionViewController.h"

#include "library/ContentDownload.h"
#include "overlay/BusyOverlay.h"
#include "platform/core/FileManager.h"
#include "platform/core/Log.h"
#include "platform/core/UserDefaults.h"
#include "platform/core/Paths.h"
#include "platform/ui/AlertView.h"
#include "platform/ui/Button.h"
#include "platform/ui/FileChooserViewController.h"
#include "platform/ui/Label.h"
#include "platform/ui/SegmentedControl.h"
#include "platform/ui/Storyboard.h"
#include "platform/ui/TableViewCell.h"
#include "platform/ui/Window.h"
#include "player/ViewController.h"
#include "score/SavedBeatList.h"
#include "score/ScoreSheet.h"

#include <cstdlib>

#include <algorithm>

namespace library {

namespace {

const ui::Color kBackground = ui::Color::rgba(0.945, 0.949, 0.965);
const ui::Color kBar = ui::Color::rgba(0.106, 0.149, 0.220);
const ui::Color kInk = ui::Color::rgba(0.16, 0.18, 0.22);
const ui::Color kMuted = ui::Color::rgba(0.45, 0.48, 0.53);
const ui::Color kRule = ui::Color::rgba(0.82, 0.84, 0.87);

// Screen design: a title bar with Download, the mode row, then the list filling the rest.
constexpr double kSide = 28;
constexpr double kBarHeight = 76;
constexpr double kModeTop = 96;
constexpr double kRowHeight = 38;
constexpr double kListTop = 176;

std::shared_ptr<ui::Label> makeLabel(ui::Rect frame, const std::string& text, ui::Font font, ui::Color color,
    ui::TextAlignment alignment = ui::TextAlignment::Left)
{
    auto label = ui::Label::create(frame);
    label->setText(text);
    label->setFont(std::move(font));
    label->setTextColor(color);
    label->setTextAlignment(alignment);
    label->setBackgroundColor(ui::Color::clear());
    return label;
}

}

std::shared_ptr<ModeSelectionViewController> ModeSelectionViewController::create()
{
    return std::shared_ptr<ModeSelectionViewController>(new ModeSelectionViewController());
}

ModeSelectionViewController::ModeSelectionViewController() = default;
ModeSelectionViewController::~ModeSelectionViewController() = default;

void ModeSelectionViewController::loadView()
{
    const double width = ui::Window::kWidth;
    const double height = ui::Window::kHeight;
    auto self = std::static_pointer_cast<ModeSelectionViewController>(shared_from_this());

    auto root = ui::View::create(ui::RectMake(0, 0, width, height));
    root->setBackgroundColor(kBackground);

    auto bar = ui::View::create(ui::RectMake(0, 0, width, kBarHeight));
    bar->setBackgroundColor(kBar);
    bar->addSubview(makeLabel(ui::RectMake(kSide, 12, 500, 34), "BeatStrip", ui::Font::boldSystemFont(28), ui::Color::white()));
    bar->addSubview(makeLabel(ui::RectMake(kSide, 46, 500, 20), "Song library", ui::Font::systemFont(15), ui::Color::rgba(0.70, 0.75, 0.82)));
    root->addSubview(bar);

    downloadButton = ui::Button::create(ui::ButtonType::System, ui::RectMake(width - kSide - 168, 18, 168, 40));
    downloadButton->setTitle("Download");
    downloadButton->setTitleFont(ui::Font::boldSystemFont(17));
    downloadButton->setTintColor(ui::Color::white());
    downloadButton->layer().setBorderColor(ui::Color::white(1, 0.75));
    downloadButton->layer().setBorderWidth(1.5);
    downloadButton->layer().setCornerRadius(8);
    downloadButton->setAccessibilityIdentifier("download");
    downloadButton->addTarget(self, &ModeSelectionViewController::download, ui::ControlEvent::TouchUpInside);
    root->addSubview(downloadButton);

    importButton = ui::Button::create(ui::ButtonType::System, ui::RectMake(width - kSide - 168 - 12 - 140, 18, 140, 40));
    importButton->setTitle("Import");
    importButton->setTitleFont(ui::Font::boldSystemFont(17));
    importButton->setTintColor(ui::Color::white());
    importButton->layer().setBorderColor(ui::Color::white(1, 0.75));
    importButton->layer().setBorderWidth(1.5);
    importButton->layer().setCornerRadius(8);
    importButton->setAccessibilityIdentifier("import");
    importButton->addTarget(self, &ModeSelectionViewController::showImportChooser, ui::ControlEvent::TouchUpInside);
    root->addSubview(importButton);

    root->addSubview(makeLabel(ui::RectMake(kSide, kModeTop, 180, kRowHeight), "Display mode", ui::Font::boldSystemFont(17), kInk));
    modeControl = ui::SegmentedControl::create({ "Black notes", "Colour", "Colour and accidentals" },
        ui::RectMake(kSide + 180, kModeTop, width - 2 * kSide - 180, kRowHeight));
    // Shows the mode the screen starts with.
    modeControl->setSelectedSegmentIndex(2);
    modeControl->setAccessibilityIdentifier("modeControl");
    modeControl->addTarget(self, &ModeSelectionViewController::modeSelected, ui::ControlEvent::ValueChanged);
    root->addSubview(modeControl);

    root->addSubview(makeLabel(ui::RectMake(kSide + 4, kListTop - 28, 400, 20), "SONGS", ui::Font::boldSystemFont(13), kMuted));

    const ui::Rect listFrame = ui::RectMake(kSide, kListTop, width - 2 * kSide, height - kListTop - kSide);
    tableview = ui::TableView::create(listFrame);
    tableview->setBackgroundColor(ui::Color::white());
    tableview->layer().setBorderColor(kRule);
    tableview->layer().setBorderWidth(1);
    tableview->layer().setCornerRadius(10);
    tableview->layer().setMasksToBounds(true);
    tableview->setAccessibilityIdentifier("songList");
    tableview->setDataSource(std::static_pointer_cast<ui::TableViewDataSource>(self));
    tableview->setDelegate(std::static_pointer_cast<ui::TableViewDelegate>(self));
    root->addSubview(tableview);

    // Shown over the empty list, so a first start says what to do.
    emptyHint = ui::View::create(ui::RectMake(listFrame.x(), listFrame.midY() - 44, listFrame.width(), 88));
    emptyHint->setUserInteractionEnabled(false);
    emptyHint->setAccessibilityIdentifier("emptyHint");
    emptyHint->addSubview(makeLabel(ui::RectMake(0, 0, listFrame.width(), 36), "No songs yet",
        ui::Font::boldSystemFont(24), kInk, ui::TextAlignment::Center));
    emptyHint->addSubview(makeLabel(ui::RectMake(0, 44, listFrame.width(), 24), "Press Download to get the songs from the content server.",
        ui::Font::systemFont(17), kMuted, ui::TextAlignment::Center));
    root->addSubview(emptyHint);

    setView(root);
}

void ModeSelectionViewController::viewDidLoad()
{
    mode = 3;
    ContentDownload::recoverInterruptedInstall();
    loadSongIndex(true);
    reloadImported();
}

void ModeSelectionViewController::viewDidAppear(bool)
{
    // A settings store that cannot be written is kept as it is; the user hears why, once.
    if (std::string problem = core::UserDefaults::standardUserDefaults()->takeProblemToReport(); !problem.empty())
        ui::AlertView::create("Error", problem, { "OK" })->show();
}

void ModeSelectionViewController::modeSelected(ui::Object* sender)
{
    auto* control = dynamic_cast<ui::SegmentedControl*>(sender);
    if (!control)
        return;
    switch (control->selectedSegmentIndex()) {
    case 0:
        mode = 1;
        break;
    case 1:
        mode = 2;
        break;
    case 2:
        mode = 3;
        break;
    default:
        break;
    }
}

void ModeSelectionViewController::download(ui::Object*)
{
    if (m_downloading)
        return;
    m_downloading = true;
    // The translucent box would show the hint's text through it.
    emptyHint->setHidden(true);
    hud = overlay::BusyOverlay::showAddedTo(view(), ui::Animated::Yes);
    // Each download brings its own overlay; a finished one leaves the screen.
    hud->setRemoveFromSuperViewOnHide(true);
    hud->setMode(overlay::BusyOverlay::Indeterminate);
    hud->setLabelText("Downloading");
    auto self = std::static_pointer_cast<ModeSelectionViewController>(shared_from_this());
    ContentDownload::start([self](const std::optional<core::Error>& failure) { self->downloadFinished(failure); });
}

void ModeSelectionViewController::downloadFinished(const std::optional<core::Error>& failure)
{
    m_downloading = false;
    if (hud)
        hud->hide(ui::Animated::Yes);
    loadSongIndex(false);
    if (failure)
        ui::AlertView::create("Error", "The songs could not be downloaded. Your library is unchanged. " + ContentDownload::causeOf(*failure), { "OK" })->show();
}

void ModeSelectionViewController::loadSongIndex(bool onlyWhenInstalled)
{
    if (onlyWhenInstalled && !core::files::fileExistsAtPath(SongIndex::packageFolder()))
        return;
    fileList = SongIndex::read(SongIndex::indexPath());
    reloadList();
}

void ModeSelectionViewController::reloadList()
{
    if (!tableview)
        return;
    tableview->reloadData();
    emptyHint->setHidden((fileList && !fileList->empty()) || !importedList.empty());
    selectLastPlayed();
}

void ModeSelectionViewController::viewWillAppear(bool)
{
    selectLastPlayed();
}

void ModeSelectionViewController::selectLastPlayed()
{
    if (!tableview || !fileList || m_lastPlayed.empty())
        return;
    for (size_t row = 0; row < fileList->size(); ++row) {
        if (SongIndex::songName((*fileList)[row].path) == m_lastPlayed)
            return selectRow(static_cast<int>(row));
    }
}

void ModeSelectionViewController::selectRow(int row)
{
    ui::IndexPath path { 0, row };
    tableview->selectRowAtIndexPath(path, ui::Animated::No);
    tableview->scrollToRowAtIndexPath(path, ui::Animated::No);
}

void ModeSelectionViewController::keyPressed(ui::Key key)
{
    if (tableview && (key == ui::Key::Delete || key == ui::Key::Backspace)) {
        if (auto selected = tableview->indexPathForSelectedRow())
            if (auto imported = importedIndexOfRow(selected->row))
                deleteImportedSong(*imported);
        return;
    }
    int rows = tableview ? numberOfRowsInSection(tableview.get(), 0) : 0;
    if (rows == 0)
        return;
    auto selected = tableview->indexPathForSelectedRow();
    switch (key) {
    case ui::Key::Up:
        selectRow(selected ? std::max(selected->row - 1, 0) : rows - 1);
        break;
    case ui::Key::Down:
        selectRow(selected ? std::min(selected->row + 1, rows - 1) : 0);
        break;
    case ui::Key::Return:
        if (selected)
            didSelectRowAtIndexPath(tableview.get(), *selected);
        break;
    default:
        break;
    }
}

int ModeSelectionViewController::numberOfSectionsInTableView(ui::TableView*)
{
    return 1;
}

int ModeSelectionViewController::numberOfRowsInSection(ui::TableView*, int)
{
    int downloaded = fileList ? static_cast<int>(fileList->size()) : 0;
    return downloaded + (importedList.empty() ? 0 : 1 + static_cast<int>(importedList.size()));
}

std::shared_ptr<ui::TableViewCell> ModeSelectionViewController::cellForRowAtIndexPath(ui::TableView* tableView, ui::IndexPath indexPath)
{
    if (!importedList.empty() && indexPath.row == importedHeadingRow()) {
        auto heading = tableView->dequeueReusableCellWithIdentifier(kHeadingIdentifier);
        if (!heading) {
            heading = ui::TableViewCell::create(ui::TableViewCellStyle::Default, kHeadingIdentifier);
            heading->setBackgroundColor(kBackground);
            heading->textLabel()->setFont(ui::Font::boldSystemFont(13));
            heading->textLabel()->setTextColor(kMuted);
            heading->textLabel()->setText("MY SONGS");
            heading->setAccessibilityIdentifier("mySongs");
        }
        return heading;
    }
    if (auto imported = importedIndexOfRow(indexPath.row)) {
        auto cell = tableView->dequeueReusableCellWithIdentifier(kImportedIdentifier);
        if (!cell) {
            cell = ui::TableViewCell::create(ui::TableViewCellStyle::Default, kImportedIdentifier);
            cell->setAccessoryType(ui::TableViewCellAccessoryType::DisclosureIndicator);
            auto remove = ui::Button::create(ui::ButtonType::System, ui::RectMake(tableView->bounds().width() - 130, 6, 80, 26));
            remove->setTitle("Delete");
            remove->setAccessibilityIdentifier("deleteSong");
            remove->addTarget(std::static_pointer_cast<ModeSelectionViewController>(shared_from_this()),
                &ModeSelectionViewController::deletePressed, ui::ControlEvent::TouchUpInside);
            cell->addSubview(remove);
        }
        for (const auto& child : cell->subviews())
            if (child->accessibilityIdentifier() == "deleteSong")
                child->setTag(static_cast<int>(*imported));
        cell->textLabel()->setText(importedList[*imported].fileName);
        return cell;
    }
    auto cell = tableView->dequeueReusableCellWithIdentifier(kCellIdentifier);
    if (!cell)
        cell = ui::TableViewCell::create(ui::TableViewCellStyle::Default, kCellIdentifier);
    cell->setAccessoryType(ui::TableViewCellAccessoryType::DisclosureIndicator);
    const bool inList = fileList && indexPath.row >= 0 && static_cast<size_t>(indexPath.row) < fileList->size();
    cell->textLabel()->setText(inList ? (*fileList)[indexPath.row].fileName : std::string());
    return cell;
}

void ModeSelectionViewController::didSelectRowAtIndexPath(ui::TableView*, ui::IndexPath indexPath)
{
    if (auto imported = importedIndexOfRow(indexPath.row)) {
        openPlayer(importedSongName(importedList[*imported].path));
        return;
    }
    if (!fileList || indexPath.row < 0 || static_cast<size_t>(indexPath.row) >= fileList->size())
        return;
    std::string songName = SongIndex::songName((*fileList)[indexPath.row].path);
    // That prefix names imported songs; a downloaded song must never reach their files or state.
    if (score::ScoreSheet::isImportedSongName(songName)) {
        core::log("The song index names \"%s\", which is not a song of the package: not opened", songName.c_str());
        return;
    }
    openPlayer(songName);
}

void ModeSelectionViewController::openPlayer(const std::string& songName)
{
    auto screen = std::dynamic_pointer_cast<player::ViewController>(ui::Storyboard::instantiateViewControllerWithIdentifier(kPlayerIdentifier));
    if (!screen) {
        core::log("No player screen \"%s\" to open \"%s\" with", kPlayerIdentifier, songName.c_str());
        return;
    }
    screen->setMode(mode, songName);
    m_lastPlayed = songName;
    presentViewController(screen, ui::Animated::Yes);
}

}
