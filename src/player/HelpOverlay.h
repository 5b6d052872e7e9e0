#pragma once
#include "platform/ui/View.h"

#include <functional>
#include <memory>

namespace player {

// The player's help over the whole window: the keys, and what the colours, the marks, the
// circles, the shade and the loop band mean. Any tap closes it (the screen closes it on any key).
class HelpOverlay : public ui::View {
public:
    static std::shared_ptr<HelpOverlay> create(std::function<void()> onClose);

    void touchesBegan(const ui::Touch& touch) override;
    void touchesEnded(const ui::Touch& touch) override;
    std::string className() const override { return "HelpOverlay"; }

private:
    explicit HelpOverlay(std::function<void()> onClose);
    void build();

    std::function<void()> m_onClose;
};

}
