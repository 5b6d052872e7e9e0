#include "platform/core/NotificationCenter.h"

#include <algorithm>

namespace core {

NotificationCenter& NotificationCenter::defaultCenter()
{
    static NotificationCenter center;
    return center;
}

NotificationCenter::Token NotificationCenter::addObserver(std::string name, Observer observer)
{
    std::lock_guard lock(m_mutex);
    Token token = m_next++;
    m_entries.push_back({ token, std::move(name), std::make_shared<Observer>(std::move(observer)) });
    return token;
}

void NotificationCenter::removeObserver(Token token)
{
    std::lock_guard lock(m_mutex);
    std::erase_if(m_entries, [token](const Entry& e) { return e.token == token; });
}

void NotificationCenter::postNotificationName(const std::string& name, std::shared_ptr<void> object)
{
    // Observers run outside the lock, so one may add or remove observers.
    std::vector<std::shared_ptr<Observer>> matching;
    {
        std::lock_guard lock(m_mutex);
        for (auto& e : m_entries)
            if (e.name == name)
                matching.push_back(e.observer);
    }
    Notification note { name, std::move(object) };
    for (auto& o : matching)
        (*o)(note);
}

}
