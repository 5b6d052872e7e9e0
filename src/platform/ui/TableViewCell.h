#pragma once
#include "platform/ui/Label.h"
#include "platform/ui/View.h"

namespace ui {

enum class TableViewCellStyle { Default };
enum class TableViewCellAccessoryType { None, DisclosureIndicator, Checkmark };

// A row of a table: a white background, a text label and an optional accessory mark.
class TableViewCell : public View {
public:
    static std::shared_ptr<TableViewCell> create(TableViewCellStyle style = TableViewCellStyle::Default, std::string reuseIdentifier = {});

    const std::string& reuseIdentifier() const { return m_reuseIdentifier; }
    const std::shared_ptr<Label>& textLabel() const { return m_textLabel; }
    TableViewCellAccessoryType accessoryType() const { return m_accessoryType; }
    void setAccessoryType(TableViewCellAccessoryType type);
    bool isSelected() const { return m_selected; }
    void setSelected(bool selected);
    virtual void prepareForReuse();

    void layoutSubviews() override;
    void draw(Painter& painter, Rect dirty) override;
    bool hasCustomDrawing() const override { return true; }
    std::string className() const override { return "TableViewCell"; }
    void describe(nlohmann::json& out) const override;

protected:
    TableViewCell(TableViewCellStyle style, std::string reuseIdentifier);

private:
    std::string m_reuseIdentifier;
    std::shared_ptr<Label> m_textLabel;
    TableViewCellAccessoryType m_accessoryType = TableViewCellAccessoryType::None;
    bool m_selected = false;
};

}
