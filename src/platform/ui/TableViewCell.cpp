#include "platform/ui/TableViewCell.h"
#include "platform/core/Json.h"
#include "platform/ui/Painter.h"

namespace ui {

namespace {
constexpr double kInset = 15;
constexpr double kAccessoryWidth = 30;
}

std::shared_ptr<TableViewCell> TableViewCell::create(TableViewCellStyle style, std::string reuseIdentifier)
{
    return std::shared_ptr<TableViewCell>(new TableViewCell(style, std::move(reuseIdentifier)));
}

TableViewCell::TableViewCell(TableViewCellStyle, std::string reuseIdentifier)
    : View(RectMake(0, 0, 320, 44))
    , m_reuseIdentifier(std::move(reuseIdentifier))
    , m_textLabel(Label::create())
{
    setBackgroundColor(Color::white());
    m_textLabel->setFont(Font::systemFont(18));
    addSubview(m_textLabel);
}

void TableViewCell::setAccessoryType(TableViewCellAccessoryType type)
{
    if (m_accessoryType == type)
        return;
    m_accessoryType = type;
    setNeedsLayout();
}

void TableViewCell::setSelected(bool selected)
{
    if (m_selected == selected)
        return;
    m_selected = selected;
    invalidateDisplay();
}

void TableViewCell::prepareForReuse()
{
    setSelected(false);
}

void TableViewCell::layoutSubviews()
{
    Rect b = bounds();
    double right = m_accessoryType == TableViewCellAccessoryType::None ? kInset : kAccessoryWidth + kInset;
    m_textLabel->setFrame(RectMake(kInset, 0, std::max(0.0, b.width() - kInset - right), b.height()));
}

void TableViewCell::draw(Painter& painter, Rect)
{
    Rect b = bounds();
    if (m_selected)
        painter.fillRect(b, Color::white(0.85, 1));
    painter.fillRect(RectMake(kInset, b.maxY() - 0.5, b.width() - kInset, 0.5), Color::white(0.78, 1));
    if (m_accessoryType == TableViewCellAccessoryType::DisclosureIndicator) {
        BezierPath chevron;
        double x = b.maxX() - kInset - 8, y = b.midY();
        chevron.moveToPoint({ x, y - 6.5 });
        chevron.addLineToPoint({ x + 6.5, y });
        chevron.addLineToPoint({ x, y + 6.5 });
        painter.strokePath(chevron, { Color::white(0.78, 1), 2, LineJoin::Miter, LineCap::Square });
    } else if (m_accessoryType == TableViewCellAccessoryType::Checkmark) {
        BezierPath check;
        double x = b.maxX() - kInset - 14, y = b.midY();
        check.moveToPoint({ x, y });
        check.addLineToPoint({ x + 5, y + 5 });
        check.addLineToPoint({ x + 14, y - 6 });
        painter.strokePath(check, { Color::systemBlue(), 2 });
    }
}

void TableViewCell::describe(nlohmann::json& out) const
{
    out["text"] = m_textLabel->text();
    out["selected"] = m_selected;
}

}
