#include "player/Cursor.h"

#include "platform/ui/View.h"
#include "score/Columns.h"
#include "score/RowKind.h"
#include "score/ScoreRow.h"

namespace player {

namespace column = score::column;

namespace {

// The cursor and the circles lie over the strip but must let every touch through to the beat
// controls beneath them.
std::shared_ptr<ui::View> makePassiveView(ui::View& parent, const char* identifier, ui::Rect frame, ui::Color colour)
{
    auto view = ui::View::create(frame);
    view->setBackgroundColor(colour);
    view->setUserInteractionEnabled(false);
    view->setAccessibilityIdentifier(identifier);
    parent.addSubview(view);
    return view;
}

}

// Dark translucent panels dim everything but the current beat; the bands across it are light.
void Cursor::install(ui::View& root, double panelOpacity)
{
    auto dim = ui::Color::rgba(0.05, 0.06, 0.12, 1);
    m_leftShader = makePassiveView(root, "leftShader", ui::RectMake(-kPanelWidth, 0, kPanelWidth, kPanelHeight), dim);
    m_rightShader = makePassiveView(root, "rightShader", ui::RectMake(0, 0, kPanelWidth, kPanelHeight), dim);
    m_leftShader->setAlpha(panelOpacity);
    m_rightShader->setAlpha(panelOpacity);
    auto band = ui::Color::rgba(0.35, 0.6, 1.0, 0.18);
    m_upShader = makePassiveView(root, "upShader", ui::RectMake(0, 125, 0, 40), band);
    m_downShader = makePassiveView(root, "downShader", ui::RectMake(0, 200, 0, 40), band);
    m_finalshader = makePassiveView(root, "finalshader", ui::RectMake(0, 165, 0, 40), ui::Color::rgba(1.0, 0.85, 0.2, 0.22));
}

void Cursor::createCircles(ui::View& root)
{
    m_circles.clear();
    const ui::Color colours[] = { ui::Color::red(), ui::Color::blue(), ui::Color::green(), ui::Color::blue() };
    for (int i = 0; i < 4; ++i) {
        std::string identifier = "circle" + std::to_string(i);
        auto circle = makePassiveView(root, identifier.c_str(), ui::RectMake(100, 100, 12, 12), colours[i]);
        circle->setAlpha(1.0);
        circle->layer().setCornerRadius(6.0);
        circle->setHidden(true);
        m_circles.push_back(circle);
    }
    m_circleIndex = 0;
}

void Cursor::place(const score::ScoreRow& beat, double offsetX)
{
    int32_t col = score::halfWhole(beat, column::ipadCol);
    int32_t len = score::halfWhole(beat, column::length);
    m_rightShader->setFrame(ui::RectMake(double(col + len) - offsetX, 0, kPanelWidth, kPanelHeight));
    m_leftShader->setFrame(ui::RectMake(double(col - 1024) - offsetX, 0, kPanelWidth, kPanelHeight));
    setBands(m_rightShader->frame().x() - len, len);
}

void Cursor::setBands(double x, double width)
{
    m_upShader->setFrame(ui::RectMake(x, 125, width, 40));
    m_downShader->setFrame(ui::RectMake(x, 200, width, 40));
    m_finalshader->setFrame(ui::RectMake(x, 165, width, 40));
}

bool Cursor::needsPageTurn(double barWidth) const
{
    double e = m_leftShader->frame().x() + m_leftShader->frame().width();
    return e < kPageEdge && e + barWidth > kPageEdge;
}

void Cursor::turnPage(int32_t beatWidth)
{
    m_leftShader->setFrame(ui::RectMake(-kPanelWidth, 0, kPanelWidth, kPanelHeight));
    m_rightShader->setFrame(ui::RectMake(0, 0, kPanelWidth, kPanelHeight));
    setBands(m_rightShader->frame().x() - beatWidth, beatWidth);
}

void Cursor::layCircles(const score::ScoreRow& beat)
{
    if (beat.intValue(column::tempo) >= 60) {
        hideCircles();
        return;
    }
    placeCircles(beat);
}

void Cursor::placeCircles(const score::ScoreRow& beat)
{
    double q = double(score::points(beat, column::length)) * 0.25;
    double left = m_upShader->frame().x();
    for (size_t i = 0; i < m_circles.size(); ++i)
        m_circles[i]->setFrame(ui::RectMake((q - 12) * 0.5 + (double(i) * q + left), 182, 12, 12));
}

void Cursor::hideCircles()
{
    for (auto& circle : m_circles)
        circle->setHidden(true);
}

int32_t Cursor::lightNextCircle()
{
    m_circleIndex = m_circleIndex < 3 ? m_circleIndex + 1 : 0;
    showLitCircle();
    return m_circleIndex;
}

void Cursor::resetCircles()
{
    hideCircles();
    m_circleIndex = 0;
    showLitCircle();
}

void Cursor::showLitCircle()
{
    if (size_t(m_circleIndex) < m_circles.size())
        m_circles[size_t(m_circleIndex)]->setHidden(false);
}

void Cursor::setPanelsHidden(bool hidden)
{
    m_leftShader->setHidden(hidden);
    m_rightShader->setHidden(hidden);
}

void Cursor::setPanelsOpacity(double alpha)
{
    m_leftShader->setAlpha(alpha);
    m_rightShader->setAlpha(alpha);
}

void Cursor::hideAll()
{
    for (auto* view : { &m_leftShader, &m_rightShader, &m_upShader, &m_downShader, &m_finalshader })
        (*view)->setHidden(true);
}

void Cursor::release()
{
    m_leftShader.reset();
    m_rightShader.reset();
    m_upShader.reset();
    m_downShader.reset();
    m_finalshader.reset();
}

}
