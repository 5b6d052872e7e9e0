#pragma once
#include <cstdint>
#include <memory>
#include <vector>

namespace score {
class ScoreRow;
}

namespace ui {
class ScrollView;
class View;
}

namespace player {

// Where the music is, on screen: two wide panels dim everything left and right of the current
// beat, three bands as wide as the beat cross it, and the four quarter-beat circles of a slow beat
// sit in its quarters. The views lie over the strip in the screen's own coordinates, so every x
// is a score position minus the strip's offset.
class Cursor {
public:
    static constexpr double kPanelWidth = 1024;
    static constexpr double kPanelHeight = 784;
    // The page turns when the bar being entered would reach past this x.
    static constexpr double kPageEdge = 940.0;

    // The five cursor views, on the screen's root view.
    void install(ui::View& root, double panelOpacity);
    // The four circles (red, blue, green, blue), hidden, on top of the root view.
    void createCircles(ui::View& root);

    // Panels and bands over a beat: x from the whole "ipad_col(107)" and "length(109)" each
    // halved, minus the strip's offset.
    void place(const score::ScoreRow& beat, double offsetX);
    // Whether entering a bar of `barWidth` points, measured from the beat the cursor was last
    // placed on, reaches past the page edge.
    bool needsPageTurn(double barWidth) const;
    // Panels back to the left edge and the bands just left of it, `beatWidth` wide.
    void turnPage(int32_t beatWidth);

    // Over the beat the cursor stands on when it is slow (tempo below 60): each circle centred
    // in its quarter; a fast beat hides them all.
    void layCircles(const score::ScoreRow& beat);
    // The circles' frames over the beat, whatever its tempo; their hidden flags stay.
    void placeCircles(const score::ScoreRow& beat);
    void hideCircles();
    // Lights the next circle (0, 1, 2, 3, 0, ...) and returns its place.
    int32_t lightNextCircle();
    // Back to the first circle, lit.
    void resetCircles();
    // Shows the lit circle.
    void showLitCircle();

    void setPanelsHidden(bool hidden);
    void setPanelsOpacity(double alpha);
    // A song without beats has no cursor.
    void hideAll();

    const std::shared_ptr<ui::View>& leftShader() const { return m_leftShader; }
    const std::shared_ptr<ui::View>& rightShader() const { return m_rightShader; }
    const std::shared_ptr<ui::View>& upShader() const { return m_upShader; }
    const std::shared_ptr<ui::View>& downShader() const { return m_downShader; }
    const std::shared_ptr<ui::View>& finalshader() const { return m_finalshader; }
    const std::vector<std::shared_ptr<ui::View>>& circlesArray() const { return m_circles; }
    int32_t circleIndex() const { return m_circleIndex; }
    // The screen lets go of its views when they are unloaded.
    void release();

private:
    void setBands(double x, double width);

    std::shared_ptr<ui::View> m_leftShader;
    std::shared_ptr<ui::View> m_rightShader;
    std::shared_ptr<ui::View> m_upShader;
    std::shared_ptr<ui::View> m_downShader;
    std::shared_ptr<ui::View> m_finalshader;
    std::vector<std::shared_ptr<ui::View>> m_circles;
    int32_t m_circleIndex = 0;
};

}
