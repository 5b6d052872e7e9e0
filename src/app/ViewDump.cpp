#include "app/ViewDump.h"

#include "platform/core/Json.h"
#include "platform/ui/AlertView.h"
#include "platform/ui/View.h"
#include "platform/ui/ViewController.h"
#include "platform/ui/Window.h"

namespace app {

namespace {

core::Json rectArray(const ui::Rect& r)
{
    return core::Json::array({ r.x(), r.y(), r.width(), r.height() });
}

}

core::Json ViewDump::view(ui::View& view)
{
    view.makeDeferredSubviews();
    core::Json out = core::Json::object();
    out["class"] = view.className();
    out["id"] = view.accessibilityIdentifier();
    out["tag"] = view.tag();
    out["frame"] = rectArray(view.frame());
    out["windowFrame"] = rectArray(view.windowFrame());
    out["hidden"] = view.isHidden();
    out["alpha"] = view.alpha();
    out["zPosition"] = view.layer().zPosition();
    if (auto c = view.backgroundColor())
        out["background"] = core::Json::array({ c->r, c->g, c->b, c->a });
    else
        out["background"] = nullptr;
    out["borderWidth"] = view.layer().borderWidth();
    view.describe(out);
    core::Json children = core::Json::array();
    for (const auto& child : view.subviews())
        children.push_back(ViewDump::view(*child));
    out["children"] = std::move(children);
    return out;
}

core::Json ViewDump::window(ui::Window& window, double time)
{
    window.layoutIfNeeded();
    core::Json out = core::Json::object();
    out["time"] = time;
    auto front = window.frontViewController();
    out["screen"] = front ? core::Json(front->className()) : core::Json(nullptr);
    if (auto alert = window.currentAlert()) {
        out["alert"] = {
            { "title", alert->title() },
            { "message", alert->message() },
            { "buttons", alert->buttonTitles() },
        };
    } else {
        out["alert"] = nullptr;
    }
    out["root"] = front ? view(*front->view()) : core::Json(nullptr);
    return out;
}

}
