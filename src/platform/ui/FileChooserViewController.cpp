#include "platform/ui/FileChooserViewController.h"

#include "platform/core/FileManager.h"
#include "platform/core/Paths.h"
#include "platform/ui/Button.h"
#include "platform/ui/Label.h"
#include "platform/ui/TableViewCell.h"
#include "platform/ui/Window.h"

#include <algorithm>
#include <cctype>

namespace ui {

namespace {

const Color kBackground = Color::rgba(0.945, 0.949, 0.965);
const Color kBar = Color::rgba(0.106, 0.149, 0.220);
const Color kMuted = Color::rgba(0.45, 0.48, 0.53);
constexpr double kSide = 28;
constexpr double kBarHeight = 76;

std::string lowercase(std::string text)
{
    for (char& c : text)
        c = char(std::tolower(static_cast<unsigned char>(c)));
    return text;
}

std::shared_ptr<Button> barButton(const char* title, const char* identifier, Rect frame)
{
    auto button = Button::create(ButtonType::System, frame);
    button->setTitle(title);
    button->setTitleFont(Font::boldSystemFont(17));
    button->setTintColor(Color::white());
    button->layer().setBorderColor(Color::white(1, 0.75));
    button->layer().setBorderWidth(1.5);
    button->layer().setCornerRadius(8);
    button->setAccessibilityIdentifier(identifier);
    return button;
}

}

std::shared_ptr<FileChooserViewController> FileChooserViewController::create(std::string title, std::string folder,
    std::vector<std::string> extensions, Completion completion)
{
    auto chooser = std::shared_ptr<FileChooserViewController>(new FileChooserViewController());
    chooser->m_title = std::move(title);
    chooser->m_folder = core::paths::standardize(folder.empty() ? std::string("/") : folder);
    for (auto& extension : extensions)
        chooser->m_extensions.push_back(lowercase(extension));
    chooser->m_completion = std::move(completion);
    return chooser;
}

void FileChooserViewController::loadView()
{
    const double width = Window::kWidth;
    const double height = Window::kHeight;
    auto self = std::static_pointer_cast<FileChooserViewController>(shared_from_this());

    auto root = View::create(RectMake(0, 0, width, height));
    root->setBackgroundColor(kBackground);
    auto bar = View::create(RectMake(0, 0, width, kBarHeight));
    bar->setBackgroundColor(kBar);
    auto title = Label::create(RectMake(kSide, 12, 600, 34));
    title->setText(m_title);
    title->setFont(Font::boldSystemFont(24));
    title->setTextColor(Color::white());
    title->setBackgroundColor(Color::clear());
    bar->addSubview(title);
    m_path = Label::create(RectMake(kSide, 46, 640, 20));
    m_path->setFont(Font::systemFont(15));
    m_path->setTextColor(Color::rgba(0.70, 0.75, 0.82));
    m_path->setBackgroundColor(Color::clear());
    m_path->setAccessibilityIdentifier("chooserFolder");
    bar->addSubview(m_path);
    root->addSubview(bar);

    auto up = barButton("Up", "chooserUp", RectMake(width - kSide - 240, 18, 100, 40));
    up->addTarget(self, &FileChooserViewController::goUp, ControlEvent::TouchUpInside);
    root->addSubview(up);
    auto cancel = barButton("Cancel", "chooserCancel", RectMake(width - kSide - 120, 18, 120, 40));
    cancel->addTarget(self, &FileChooserViewController::cancel, ControlEvent::TouchUpInside);
    root->addSubview(cancel);

    const Rect listFrame = RectMake(kSide, kBarHeight + 20, width - 2 * kSide, height - kBarHeight - 20 - kSide);
    m_table = TableView::create(listFrame);
    m_table->setBackgroundColor(Color::white());
    m_table->layer().setCornerRadius(10);
    m_table->layer().setMasksToBounds(true);
    m_table->setAccessibilityIdentifier("chooserList");
    m_table->setDataSource(std::static_pointer_cast<TableViewDataSource>(self));
    m_table->setDelegate(std::static_pointer_cast<TableViewDelegate>(self));
    root->addSubview(m_table);

    m_empty = Label::create(RectMake(listFrame.x(), listFrame.y() + 40, listFrame.width(), 24));
    m_empty->setFont(Font::systemFont(17));
    m_empty->setTextColor(kMuted);
    m_empty->setTextAlignment(TextAlignment::Center);
    m_empty->setBackgroundColor(Color::clear());
    m_empty->setUserInteractionEnabled(false);
    root->addSubview(m_empty);

    setView(root);
    showFolder(m_folder);
}

void FileChooserViewController::showFolder(const std::string& folder)
{
    m_folder = core::paths::standardize(folder);
    m_items.clear();
    auto names = core::files::contentsOfDirectoryAtPath(m_folder);
    std::string emptyText;
    if (!names) {
        emptyText = "This folder cannot be read.";
    } else {
        for (const std::string& name : *names) {
            if (name.empty() || name[0] == '.')
                continue;
            bool isFolder = false;
            if (!core::files::fileExistsAtPath(core::paths::stringByAppendingPathComponent(m_folder, name), &isFolder))
                continue;
            if (!isFolder) {
                size_t dot = name.rfind('.');
                std::string extension = dot == std::string::npos ? std::string() : lowercase(name.substr(dot + 1));
                if (std::find(m_extensions.begin(), m_extensions.end(), extension) == m_extensions.end())
                    continue;
            }
            m_items.push_back({ name, isFolder });
        }
        std::sort(m_items.begin(), m_items.end(), [](const Item& a, const Item& b) {
            if (a.isFolder != b.isFolder)
                return a.isFolder;
            return lowercase(a.name) < lowercase(b.name);
        });
        if (m_items.empty())
            emptyText = "No folders or score files here.";
    }
    if (m_path)
        m_path->setText(m_folder);
    if (m_empty) {
        m_empty->setText(emptyText);
        m_empty->setHidden(emptyText.empty());
    }
    if (m_table)
        m_table->reloadData();
}

void FileChooserViewController::choose(size_t index)
{
    if (index >= m_items.size())
        return;
    std::string path = core::paths::stringByAppendingPathComponent(m_folder, m_items[index].name);
    if (m_items[index].isFolder)
        showFolder(path);
    else
        finish(path);
}

void FileChooserViewController::goUp(Object*)
{
    if (m_folder != "/")
        showFolder(core::paths::stringByDeletingLastPathComponent(m_folder));
}

void FileChooserViewController::cancel(Object*)
{
    finish(std::nullopt);
}

void FileChooserViewController::finish(const std::optional<std::string>& path)
{
    // Keeps itself alive through the completion, which may let go of the chooser.
    auto self = shared_from_this();
    Completion completion = std::move(m_completion);
    m_completion = nullptr;
    if (presentingViewController())
        dismissViewControllerAnimated(Animated::No);
    if (completion)
        completion(path);
}

int FileChooserViewController::numberOfRowsInSection(TableView*, int)
{
    return static_cast<int>(m_items.size());
}

std::shared_ptr<TableViewCell> FileChooserViewController::cellForRowAtIndexPath(TableView* tableView, IndexPath indexPath)
{
    auto cell = tableView->dequeueReusableCellWithIdentifier("ChooserItem");
    if (!cell)
        cell = TableViewCell::create(TableViewCellStyle::Default, "ChooserItem");
    bool valid = indexPath.row >= 0 && static_cast<size_t>(indexPath.row) < m_items.size();
    const Item* item = valid ? &m_items[static_cast<size_t>(indexPath.row)] : nullptr;
    cell->textLabel()->setText(item ? (item->isFolder ? item->name + "/" : item->name) : std::string());
    cell->setAccessoryType(item && item->isFolder ? TableViewCellAccessoryType::DisclosureIndicator : TableViewCellAccessoryType::None);
    return cell;
}

void FileChooserViewController::didSelectRowAtIndexPath(TableView*, IndexPath indexPath)
{
    if (indexPath.row >= 0)
        choose(static_cast<size_t>(indexPath.row));
}

}
