#include "score/CharacterSet.h"

#include <algorithm>

namespace score {

CharacterSet::CharacterSet(std::string_view characters)
{
    auto p = reinterpret_cast<const unsigned char*>(characters.data());
    auto end = p + characters.size();
    while (p < end) {
        char32_t c;
        p += decodeUTF8(p, end, c);
        if (c < 0x80)
            m_ascii[c] = true;
        else
            m_other.push_back(c);
    }
    if (m_other.empty() && std::count(m_ascii.begin(), m_ascii.end(), true) == 1)
        m_single = static_cast<unsigned char>(std::find(m_ascii.begin(), m_ascii.end(), true) - m_ascii.begin());
}

}
