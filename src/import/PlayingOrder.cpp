#include "import/PlayingOrder.h"

#include "import/ImportError.h"
#include "platform/core/Log.h"
#include "import/Score.h"

#include <algorithm>

namespace import {

// Measure indices in the order they are played.
core::Result<std::vector<size_t>> PlayingOrder::of(const std::vector<WrittenMeasure>& measures)
{
    std::vector<size_t> order;
    const size_t count = measures.size();
    // After a jump repeats are not taken again, and each group of endings plays its last one.
    std::vector<int> groupLast(count, 0);
    for (size_t first = 0; first < count;) {
        if (measures[first].endings.empty()) {
            ++first;
            continue;
        }
        size_t last = first;
        int highest = 0;
        while (last < count && !measures[last].endings.empty())
            highest = std::max(highest, *std::max_element(measures[last].endings.begin(), measures[last].endings.end())), ++last;
        std::fill(groupLast.begin() + long(first), groupLast.begin() + long(last), highest);
        first = last;
    }
    std::vector<int> passes(count, 0);
    std::vector<bool> jumped(count, false);
    size_t repeatStart = 0;
    int pass = 1;
    bool afterJump = false;
    size_t i = 0;
    while (i < count) {
        const WrittenMeasure& m = measures[i];
        if (m.forwardRepeat && repeatStart != i) {
            repeatStart = i;
            pass = 1;
        }
        if (!m.endings.empty()) {
            int wanted = afterJump ? groupLast[i] : pass;
            if (std::find(m.endings.begin(), m.endings.end(), wanted) == m.endings.end()) {
                ++i;
                continue;
            }
        }
        order.push_back(i);
        if (order.size() > Score::maximumBars)
            return importError(ImportErrorCode::TooLarge, core::format("it plays more than %zu bars", Score::maximumBars));
        if (afterJump && m.fine)
            break;
        if (afterJump && !m.tocoda.empty()) {
            size_t target = count;
            for (size_t k = i + 1; k < count; ++k)
                if (!measures[k].coda.empty()) {
                    target = k;
                    break;
                }
            if (target < count) {
                i = target;
                continue;
            }
        }
        if (m.backwardRepeat && !afterJump) {
            if (passes[i] + 1 < m.times) {
                ++passes[i];
                ++pass;
                i = repeatStart;
                continue;
            }
            passes[i] = 0;
            pass = 1;
            repeatStart = i + 1;
        }
        if ((m.dacapo || !m.dalsegno.empty()) && !jumped[i]) {
            jumped[i] = true;
            size_t target = 0;
            if (!m.dalsegno.empty()) {
                target = count;
                for (size_t k = 0; k < count; ++k)
                    if (!measures[k].segno.empty()) {
                        if (target == count || measures[k].segno == m.dalsegno)
                            target = k;
                        if (measures[k].segno == m.dalsegno)
                            break;
                    }
            }
            if (target < count) {
                afterJump = true;
                pass = 1;
                i = target;
                continue;
            }
        }
        ++i;
    }
    return order;
}

}
