#include "score/SavedBeatList.h"

#include "platform/core/Dispatch.h"
#include "platform/core/Log.h"
#include "platform/core/UserDefaults.h"

#include <condition_variable>
#include <deque>
#include <mutex>
#include <thread>

namespace score {

namespace {

// One thread that writes saved lists in the order they were asked for. It lives until the program
// ends; its destructor (at exit) finishes every write still queued before the process may go.
class SaveWriter {
public:
    static SaveWriter& shared()
    {
        static SaveWriter writer;
        return writer;
    }

    ~SaveWriter()
    {
        {
            std::lock_guard lock(m_mutex);
            m_stopping = true;
        }
        m_wake.notify_all();
        if (m_thread.joinable())
            m_thread.join();
    }

    void enqueue(std::function<void()> job)
    {
        {
            std::lock_guard lock(m_mutex);
            m_jobs.push_back(std::move(job));
            if (!m_thread.joinable())
                m_thread = std::thread([this] { run(); });
        }
        m_wake.notify_all();
    }

    void waitUntilIdle()
    {
        std::unique_lock lock(m_mutex);
        m_idle.wait(lock, [this] { return m_jobs.empty() && !m_busy; });
    }

private:
    SaveWriter() = default;

    void run()
    {
        std::unique_lock lock(m_mutex);
        for (;;) {
            m_wake.wait(lock, [this] { return m_stopping || !m_jobs.empty(); });
            if (m_jobs.empty())
                return;
            auto job = std::move(m_jobs.front());
            m_jobs.pop_front();
            m_busy = true;
            lock.unlock();
            job();
            lock.lock();
            m_busy = false;
            if (m_jobs.empty())
                m_idle.notify_all();
        }
    }

    std::mutex m_mutex;
    std::condition_variable m_wake;
    std::condition_variable m_idle;
    std::deque<std::function<void()>> m_jobs;
    bool m_busy = false;
    bool m_stopping = false;
    std::thread m_thread;
};

bool writeList(core::UserDefaults& defaults, const std::string& songName, const std::vector<ScoreRow>& beatList)
{
    // Rows of one song share a header: its keys and their fields are looked up once.
    const ScoreHeader* header = nullptr;
    std::vector<std::pair<const std::string*, uint32_t>> columns;
    core::Json list = core::Json::array();
    for (const auto& row : beatList) {
        if (row.header().get() != header) {
            header = row.header().get();
            columns.clear();
            for (const auto& key : header->keys())
                columns.emplace_back(&key, header->indexOf(key));
        }
        core::Json map = core::Json::object();
        for (const auto& [key, index] : columns)
            map.emplace(*key, std::string(row.field(index)));
        list.push_back(std::move(map));
    }
    defaults.setObject(list, songName);
    return defaults.synchronize();
}

}

std::optional<std::vector<ScoreRow>> SavedBeatList::load(const std::string& songName, int32_t highestBeatKey)
{
    // A save still on its way is part of what the store holds.
    waitForPendingSaves();
    auto value = core::UserDefaults::standardUserDefaults()->valueForKey(songName);
    if (!value)
        return std::nullopt;
    bool wellFormed = value->is_array();
    std::vector<std::map<std::string, std::string>> maps;
    if (wellFormed) {
        maps.reserve(value->size());
        for (const auto& entry : *value) {
            if (!entry.is_object()) {
                wellFormed = false;
                break;
            }
            auto& map = maps.emplace_back();
            for (const auto& [key, text] : entry.items()) {
                if (!text.is_string()) {
                    wellFormed = false;
                    break;
                }
                map.emplace(key, text.get<std::string>());
            }
            if (!wellFormed)
                break;
        }
    }
    if (!wellFormed) {
        core::log("Saved beat list of %s is not a list of rows; using the song file's beats", songName.c_str());
        return std::nullopt;
    }
    if (highestBeatKey > 0 && maps.size() < size_t(highestBeatKey)) {
        core::log("Saved beat list of %s has %zu beats but the song has %d; using the song file's beats",
            songName.c_str(), maps.size(), highestBeatKey);
        return std::nullopt;
    }
    return ScoreRow::fromMaps(maps);
}

bool SavedBeatList::save(const std::string& songName, const std::vector<ScoreRow>& beatList)
{
    return writeList(*core::UserDefaults::standardUserDefaults(), songName, beatList);
}

void SavedBeatList::saveInBackground(const std::string& songName, std::vector<ScoreRow> beatList, std::function<void(bool)> done)
{
    // The store of this moment: a later change of home (tests, --home) does not redirect the write.
    auto defaults = core::UserDefaults::standardUserDefaults();
    SaveWriter::shared().enqueue([defaults, songName, beatList = std::move(beatList), done = std::move(done)] {
        bool ok = writeList(*defaults, songName, beatList);
        if (done)
            dispatch::mainQueue().async([done, ok] { done(ok); });
    });
}

void SavedBeatList::waitForPendingSaves()
{
    SaveWriter::shared().waitUntilIdle();
}

bool SavedBeatList::remove(const std::string& songName)
{
    auto defaults = core::UserDefaults::standardUserDefaults();
    defaults->removeObjectForKey(songName);
    return defaults->synchronize();
}

}
