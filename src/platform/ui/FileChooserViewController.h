#pragma once
#include "platform/ui/TableView.h"
#include "platform/ui/ViewController.h"

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace ui {

class Button;
class Label;

// A simple chooser of one file: a folder's subfolders and the files whose names end in one of
// the given extensions (hidden entries left out), folders first, each group by name. A tap on a
// folder opens it, "Up" goes to the folder above, a tap on a file chooses it. The completion
// gets the chosen path, or none on Cancel; the chooser then dismisses itself.
class FileChooserViewController : public ViewController, public TableViewDataSource, public TableViewDelegate {
public:
    using Completion = std::function<void(const std::optional<std::string>& path)>;

    struct Item {
        std::string name;
        bool isFolder = false;
    };

    // `extensions` without dots, compared without regard to case.
    static std::shared_ptr<FileChooserViewController> create(std::string title, std::string folder,
        std::vector<std::string> extensions, Completion completion);

    void loadView() override;
    std::string className() const override { return "FileChooserViewController"; }

    const std::string& folder() const { return m_folder; }
    const std::vector<Item>& items() const { return m_items; }
    // Lists another folder; an unreadable one lists nothing and says so.
    void showFolder(const std::string& folder);
    void choose(size_t index);
    void goUp(Object* sender);
    void cancel(Object* sender);

    int numberOfRowsInSection(TableView* tableView, int section) override;
    std::shared_ptr<TableViewCell> cellForRowAtIndexPath(TableView* tableView, IndexPath indexPath) override;
    void didSelectRowAtIndexPath(TableView* tableView, IndexPath indexPath) override;

private:
    FileChooserViewController() = default;
    void finish(const std::optional<std::string>& path);

    std::string m_title;
    std::string m_folder;
    std::vector<std::string> m_extensions;
    Completion m_completion;
    std::vector<Item> m_items;
    std::shared_ptr<TableView> m_table;
    std::shared_ptr<Label> m_path;
    std::shared_ptr<Label> m_empty;
};

}
