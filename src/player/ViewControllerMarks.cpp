// What the keyboard leaves on the screen: the keys held lit in the key view, and each judged
// note marked on the strip where the cursor was when it was played.
#include "player/ViewController.h"

#include "platform/ui/Layer.h"
#include "platform/ui/ScrollView.h"

#include <algorithm>
#include <string>

namespace player {

namespace {

// A pass's marks stay until the pass after next starts; past this many the oldest go.
constexpr size_t kMaxMarks = 400;
constexpr double kMarkSize = 8;

const ui::Color kHeldColour = ui::Color::rgba(0.20, 0.55, 0.90, 0.35);

ui::Color markColour(midi::Judge::Verdict verdict)
{
    switch (verdict) {
    case midi::Judge::Verdict::OnTime:
        return ui::Color::rgba(0.15, 0.68, 0.30, 0.95);
    case midi::Judge::Verdict::Early:
        return ui::Color::rgba(0.15, 0.45, 0.95, 0.95);
    case midi::Judge::Verdict::Late:
        return ui::Color::rgba(0.96, 0.55, 0.05, 0.95);
    default:
        return ui::Color::rgba(0.88, 0.15, 0.15, 0.95);
    }
}

const char* markName(midi::Judge::Verdict verdict)
{
    switch (verdict) {
    case midi::Judge::Verdict::OnTime:
        return "markOnTime";
    case midi::Judge::Verdict::Early:
        return "markEarly";
    case midi::Judge::Verdict::Late:
        return "markLate";
    default:
        return "markWrong";
    }
}

}

void ViewController::showHeld(int pitch, bool held)
{
    if (!m_keyView)
        return;
    auto it = m_heldViews.find(pitch);
    if (!held) {
        if (it != m_heldViews.end())
            it->second->setHidden(true);
        return;
    }
    if (it == m_heldViews.end()) {
        auto row = m_playAlong.row(pitch);
        // A key with no row in this song has nowhere to light up.
        if (!row)
            return;
        auto view = ui::View::create(ui::RectMake(0, row->y, kKeyWidth, std::max(row->height, 6.0)));
        view->setBackgroundColor(kHeldColour);
        view->setUserInteractionEnabled(false);
        view->setAccessibilityIdentifier("heldKey" + std::to_string(pitch));
        m_keyView->addSubview(view);
        it = m_heldViews.emplace(pitch, view).first;
    }
    it->second->setHidden(false);
}

void ViewController::addMark(const midi::Judge::Press& press)
{
    if (!m_scrollView)
        return;
    // A key outside the song's rows is marked where its pitch would lie among them.
    double y = 4;
    if (auto row = m_playAlong.rowNear(press.pitch))
        y = std::clamp(row->y + row->height / 2 - kMarkSize / 2, 0.0, kContentHeight - kMarkSize);
    auto view = ui::View::create(ui::RectMake(press.tag - kMarkSize / 2, y, kMarkSize, kMarkSize));
    view->setBackgroundColor(markColour(press.verdict));
    view->layer().setCornerRadius(kMarkSize / 2);
    view->layer().setBorderColor(ui::Color::white(1, 0.9));
    view->layer().setBorderWidth(1);
    view->layer().setZPosition(60);
    view->setUserInteractionEnabled(false);
    view->setAccessibilityIdentifier(markName(press.verdict));
    m_scrollView->addSubview(view);
    m_marks.push_back({ view, m_passNumber });
    if (m_marks.size() > kMaxMarks) {
        m_marks.front().view->removeFromSuperview();
        m_marks.erase(m_marks.begin());
    }
}

}
