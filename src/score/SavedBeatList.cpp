#include "score/SavedBeatList.h"

#include "platform/core/Dispatch.h"
#include "platform/core/Log.h"
#include "platform/core/UserDefaults.h"

#include <algorithm>
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

// A field as a JSON string. Nearly every field is a number or a plain word, written as it is; any
// other text takes the JSON library's own writing, so the bytes are the library's either way.
void appendString(std::string& out, std::string_view text)
{
    bool plain = std::all_of(text.begin(), text.end(), [](char c) { return c >= 0x20 && c <= 0x7E && c != '"' && c != '\\'; });
    if (!plain) {
        out += core::Json(std::string(text)).dump(-1, ' ', false, core::Json::error_handler_t::replace);
        return;
    }
    out += '"';
    out.append(text);
    out += '"';
}

bool writeList(core::UserDefaults& defaults, const std::string& songName, const std::vector<ScoreRow>& beatList)
{
    defaults.setSerializedObject(SavedBeatList::serialized(beatList), songName);
    return defaults.synchronize();
}

}

// Written by hand rather than through a tree of JSON values: a long song's list has a quarter of a
// million fields, and building and freeing the tree cost several times the write to the disk.
std::string SavedBeatList::serialized(const std::vector<ScoreRow>& beatList)
{
    std::string out = "[";
    // Rows of one song share a header: its keys, in the order a JSON object keeps them, and their
    // fields are looked up once.
    const ScoreHeader* header = nullptr;
    std::vector<std::pair<std::string, uint32_t>> columns;
    for (size_t r = 0; r < beatList.size(); ++r) {
        const ScoreRow& row = beatList[r];
        if (row.header().get() != header) {
            header = row.header().get();
            std::vector<std::string> keys = header->keys();
            std::sort(keys.begin(), keys.end());
            columns.clear();
            for (const auto& key : keys) {
                std::string prefix;
                appendString(prefix, key);
                columns.emplace_back(prefix + ":", header->indexOf(key));
            }
        }
        out += r ? ",{" : "{";
        for (size_t c = 0; c < columns.size(); ++c) {
            if (c)
                out += ',';
            out += columns[c].first;
            appendString(out, row.field(columns[c].second));
        }
        out += '}';
    }
    out += ']';
    return out;
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
