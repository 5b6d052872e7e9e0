#pragma once
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace core {

struct Notification {
    std::string name;
    std::shared_ptr<void> object;
};

// Observers by name; a post runs the matching observers synchronously on the posting thread.
class NotificationCenter {
public:
    using Observer = std::function<void(const Notification&)>;
    using Token = uint64_t;

    static NotificationCenter& defaultCenter();

    Token addObserver(std::string name, Observer observer);
    void removeObserver(Token token);
    void postNotificationName(const std::string& name, std::shared_ptr<void> object = nullptr);

private:
    struct Entry {
        Token token;
        std::string name;
        std::shared_ptr<Observer> observer;
    };
    std::mutex m_mutex;
    std::vector<Entry> m_entries;
    Token m_next = 1;
};

}
