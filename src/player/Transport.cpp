#include "player/Transport.h"

#include "platform/core/Log.h"
#include "platform/ui/ScrollView.h"
#include "score/Columns.h"
#include "score/ScoreSheet.h"

namespace player {

namespace column = score::column;

void Transport::reset(int32_t bars)
{
    m_index = 0;
    m_startPage = 1;
    m_page = 1;
    m_shaderIndex = 1;
    m_maxPage = bars;
    m_movedLength = 0.0f;
}

Transport::Step Transport::stepForward(const score::ScoreSheet& sheet, ui::ScrollView& strip)
{
    const auto& bars = sheet.displayArray();
    size_t beats = sheet.shadowArray().size();
    if (m_page < 1 || size_t(m_page) > bars.size())
        return Step::None;
    const auto& bar = bars[size_t(m_page) - 1];
    if (m_shaderIndex < bar.intValue(column::beatsPerBar)) {
        if (size_t(m_index) + 1 >= beats)
            return Step::OffTheEnd;
        m_shaderIndex += 1;
        m_index += 1;
        return Step::InBar;
    }
    if (m_page >= m_maxPage) {
        m_shaderIndex = 1;
        jumpToBar(m_startPage, sheet, strip);
        return Step::Wrapped;
    }
    if (size_t(m_index) + 1 >= beats || size_t(m_page) >= bars.size())
        return Step::OffTheEnd;
    m_shaderIndex = 1;
    m_movedLength += bar.floatValue(column::length) * 0.5f;
    m_index += 1;
    m_page += 1;
    return Step::EnteredBar;
}

bool Transport::jumpToBar(int32_t p, const score::ScoreSheet& sheet, ui::ScrollView& strip)
{
    int64_t lengthSum = 0;
    int64_t beatSum = 0;
    bool found = false;
    for (const auto& bar : sheet.displayArray()) {
        if (int64_t(bar.intValue(column::barNo)) + 1 == p) {
            found = true;
            break;
        }
        lengthSum += bar.intValue(column::length);
        beatSum += bar.intValue(column::beatsPerBar);
    }
    if (!found) {
        core::log("No bar %d to jump to: the position stays at bar %d", p, m_page);
        return false;
    }
    size_t beats = sheet.shadowArray().size();
    if (beatSum < 0 || size_t(beatSum) >= beats) {
        core::log("Bar %d would start at beat %lld of a song of %zu beats: the position stays at bar %d", p, static_cast<long long>(beatSum + 1),
            beats, m_page);
        return false;
    }
    core::log("SKIPED : %d", int32_t(lengthSum));
    strip.setContentOffset({ double(lengthSum / 2), 0 }, ui::Animated::No);
    m_page = p;
    m_index = int32_t(beatSum);
    m_shaderIndex = 1;
    m_movedLength = 0.0f;
    return true;
}

Transport::Range Transport::setRepeatRange(int32_t a, int32_t b, const score::ScoreSheet& sheet, ui::ScrollView& strip)
{
    if (a >= 1 && b <= m_maxPage) {
        if (a == b)
            return Range::SameBars;
        // A first bar the song cannot jump to is no range either.
        if (a < b && jumpToBar(a, sheet, strip)) {
            m_startPage = a;
            m_maxPage = b;
            return Range::Set;
        }
    }
    return Range::Invalid;
}

void Transport::clearRepeatRange(const score::ScoreSheet& sheet, ui::ScrollView& strip)
{
    jumpToBar(1, sheet, strip);
    m_startPage = 1;
    m_maxPage = int32_t(sheet.displayArray().size());
}

}
