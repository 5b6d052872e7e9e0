#pragma once
#include "platform/ui/Label.h"

#include <cstdint>
#include <memory>

namespace player {

// The tempo label of one beat: shows the beat's tempo and remembers which group (bar) the beat
// belongs to and its number within that group, so tempo editing can arrange labels by group.
class Tempo : public ui::Label {
public:
    static std::shared_ptr<Tempo> create(ui::Rect frame = {});

    bool shouldBeHide() const { return m_shouldBeHide; }
    void setShouldBeHide(bool shouldBeHide) { m_shouldBeHide = shouldBeHide; }
    int32_t group() const { return m_group; }
    void setGroup(int32_t group) { m_group = group; }
    int32_t index() const { return m_index; }
    void setIndex(int32_t index) { m_index = index; }

    std::string className() const override { return "Tempo"; }

protected:
    explicit Tempo(ui::Rect frame);

private:

    bool m_shouldBeHide = false;
    int32_t m_group = 0;
    int32_t m_index = 0;
};

}
