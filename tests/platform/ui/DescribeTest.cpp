#include "platform/core/Json.h"
#include "platform/ui/ActivityIndicator.h"
#include "platform/ui/AlertView.h"
#include "platform/ui/Button.h"
#include "platform/ui/ImageView.h"
#include "platform/ui/Label.h"
#include "platform/ui/ScrollView.h"
#include "platform/ui/SegmentedControl.h"
#include "platform/ui/Slider.h"
#include "platform/ui/TextField.h"

#include <gtest/gtest.h>

using namespace ui;

namespace {
core::Json describe(const View& view)
{
    core::Json out = core::Json::object();
    view.describe(out);
    out["class"] = view.className();
    return out;
}
}

// The dump writer adds the common keys; each class adds its own through describe().
TEST(DescribeTest, ClassesReportTheirDumpKeys)
{
    EXPECT_EQ(describe(*View::create()), (core::Json { { "class", "View" } }));

    auto label = Label::create();
    label->setText("120");
    EXPECT_EQ(describe(*label), (core::Json { { "class", "Label" }, { "text", "120" } }));

    auto button = Button::create(ButtonType::System);
    button->setTitle("+");
    button->setEnabled(false);
    EXPECT_EQ(describe(*button), (core::Json { { "class", "Button" }, { "title", "+" }, { "enabled", false } }));

    auto segments = SegmentedControl::create({ "Off", "On" });
    segments->setSelectedSegmentIndex(1);
    auto s = describe(*segments);
    EXPECT_EQ(s["class"], "SegmentedControl");
    EXPECT_EQ(s["selectedSegment"], 1);
    EXPECT_EQ(s["enabled"], true);

    auto slider = Slider::create();
    slider->setValue(0.5f);
    EXPECT_EQ(describe(*slider)["value"], 0.5);

    auto scroll = ScrollView::create(RectMake(0, 0, 100, 100));
    scroll->setContentSize({ 4097, 736 });
    scroll->setContentOffset({ 200, 0 });
    auto j = describe(*scroll);
    EXPECT_EQ(j["contentOffset"], (core::Json { 200.0, 0.0 }));
    EXPECT_EQ(j["contentSize"], (core::Json { 4097.0, 736.0 }));

    auto field = TextField::create();
    field->setText("3");
    EXPECT_EQ(describe(*field)["text"], "3");

    auto alert = AlertView::create("Error", "msg", { "OK" });
    EXPECT_EQ(describe(*alert)["buttons"], (core::Json { "OK" }));
    EXPECT_EQ(describe(*ActivityIndicator::create())["animating"], false);
    EXPECT_TRUE(describe(*ImageView::create())["image"].is_null());
}
