#pragma once
#include "platform/ui/TableView.h"
#include "platform/ui/TextField.h"
#include "platform/ui/ViewController.h"

#include <memory>
#include <string>

namespace ui {
class Label;
class View;
}

namespace app {

// One screen with every control of the kit, for eyes and for the end-to-end scripts: buttons, a
// segmented control, a slider, a text field, a table, a scroll view holding a strip of blocks,
// a spinner, images, an alert, a long-press area, a fade, a masked view whose child stands
// outside its bounds, and dashed shape layers. Every reaction is written to the status label
// ("galleryStatus") so scripts can check it in a dump.
class GalleryViewController final : public ui::ViewController
    , public ui::TextFieldDelegate
    , public ui::TableViewDataSource
    , public ui::TableViewDelegate {
public:
    static constexpr const char* kScreenIdentifier = "Gallery";
    static constexpr int kTableRows = 40;

    static std::shared_ptr<GalleryViewController> create();
    // Registers the gallery with the storyboard under kScreenIdentifier.
    static void registerScreen();

    void viewDidLoad() override;
    void keyPressed(ui::Key key) override;
    std::string className() const override { return "GalleryViewController"; }

    // Actions.
    void buttonTapped(ui::Object* sender);
    void showAlert(ui::Object* sender);
    void segmentChanged(ui::Object* sender);
    void sliderChanged(ui::Object* sender);
    void fade(ui::Object* sender);
    void longPressed(ui::Object* sender);

    // Text field delegate.
    bool textFieldShouldReturn(ui::TextField* textField) override;

    // Table data source and delegate.
    int numberOfRowsInSection(ui::TableView* tableView, int section) override;
    std::shared_ptr<ui::TableViewCell> cellForRowAtIndexPath(ui::TableView* tableView, ui::IndexPath indexPath) override;
    void didSelectRowAtIndexPath(ui::TableView* tableView, ui::IndexPath indexPath) override;

private:
    GalleryViewController() = default;
    void setStatus(std::string status);
    void buildControls(ui::View& root);
    void buildTable(ui::View& root);
    void buildStrip(ui::View& root);
    void buildLayers(ui::View& root);

    std::shared_ptr<ui::Label> m_status;
    std::shared_ptr<ui::Label> m_sliderValue;
    std::shared_ptr<ui::View> m_fadeBox;
    int m_taps = 0;
};

}
