#include "platform/core/UserDefaults.h"

#include "platform/core/FileManager.h"
#include "platform/core/Log.h"
#include "platform/core/Paths.h"

#include <ctime>
#include <sqlite3.h>

namespace core {

namespace {
std::mutex g_standardMutex;
std::shared_ptr<UserDefaults> g_standard;

bool exec(sqlite3* db, const char* sql)
{
    char* err = nullptr;
    int rc = sqlite3_exec(db, sql, nullptr, nullptr, &err);
    if (rc != SQLITE_OK) {
        log("Settings store: %s failed: %s", sql, err ? err : sqlite3_errstr(rc));
        sqlite3_free(err);
        return false;
    }
    return true;
}
}

UserDefaults::UserDefaults(std::string path)
    : m_path(std::move(path))
{
}

UserDefaults::~UserDefaults()
{
    synchronize();
    closeDatabase();
}

std::shared_ptr<UserDefaults> UserDefaults::open(const std::string& path)
{
    auto defaults = std::shared_ptr<UserDefaults>(new UserDefaults(path));
    std::lock_guard lock(defaults->m_mutex);
    if (!defaults->openDatabase()) {
        int code = defaults->m_db ? sqlite3_errcode(defaults->m_db) : SQLITE_CANTOPEN;
        if (code == SQLITE_BUSY || code == SQLITE_LOCKED) {
            // Another process holds it: the file is fine, so keep it and let later calls retry.
            log("Settings store %s is locked by another process; opening it as it stands", path.c_str());
            return defaults;
        }
        // Not a database we can use: keep the bytes for whoever wants them, start afresh.
        defaults->closeDatabase();
        std::string aside = path + ".corrupt-" + std::to_string(time(nullptr));
        log("Settings store %s is unreadable; moved aside to %s", path.c_str(), aside.c_str());
        files::moveItemAtPath(path, aside);
        files::removeItemAtPath(path + "-wal");
        files::removeItemAtPath(path + "-shm");
        if (!defaults->openDatabase()) {
            log("Settings store %s cannot be created; settings will not be kept", path.c_str());
            defaults->closeDatabase();
        }
    }
    return defaults;
}

bool UserDefaults::openDatabase()
{
    std::string folder = paths::stringByDeletingLastPathComponent(m_path);
    if (!folder.empty())
        files::createDirectoryAtPath(folder, true);
    if (sqlite3_open_v2(m_path.c_str(), &m_db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_FULLMUTEX, nullptr) != SQLITE_OK)
        return false;
    sqlite3_busy_timeout(m_db, 5000);
    // Touching the schema is what reveals a file that is not a database.
    if (!exec(m_db, "PRAGMA journal_mode=WAL"))
        return false;
    if (!exec(m_db, "PRAGMA synchronous=FULL"))
        return false;
    if (!exec(m_db, "CREATE TABLE IF NOT EXISTS defaults (key TEXT PRIMARY KEY, value TEXT NOT NULL)"))
        return false;
    sqlite3_stmt* check = nullptr;
    bool ok = sqlite3_prepare_v2(m_db, "SELECT count(*) FROM defaults", -1, &check, nullptr) == SQLITE_OK
        && sqlite3_step(check) == SQLITE_ROW;
    sqlite3_finalize(check);
    return ok;
}

void UserDefaults::closeDatabase()
{
    if (m_db)
        sqlite3_close_v2(m_db);
    m_db = nullptr;
}

std::shared_ptr<UserDefaults> UserDefaults::standardUserDefaults()
{
    std::lock_guard lock(g_standardMutex);
    if (!g_standard)
        g_standard = open(paths::stringByAppendingPathComponent(paths::homeDirectory(), "settings.sqlite"));
    return g_standard;
}

void UserDefaults::resetStandardUserDefaults()
{
    std::lock_guard lock(g_standardMutex);
    g_standard.reset();
}

std::optional<Json> UserDefaults::valueForKey(const std::string& key)
{
    std::lock_guard lock(m_mutex);
    if (auto it = m_pending.find(key); it != m_pending.end())
        return it->second;
    if (!m_db)
        return std::nullopt;
    sqlite3_stmt* stmt = nullptr;
    if (sqlite3_prepare_v2(m_db, "SELECT value FROM defaults WHERE key = ?", -1, &stmt, nullptr) != SQLITE_OK)
        return std::nullopt;
    sqlite3_bind_text(stmt, 1, key.data(), static_cast<int>(key.size()), SQLITE_TRANSIENT);
    std::optional<Json> result;
    if (sqlite3_step(stmt) == SQLITE_ROW) {
        auto text = reinterpret_cast<const char*>(sqlite3_column_text(stmt, 0));
        int n = sqlite3_column_bytes(stmt, 0);
        if (text)
            result = JSONObject(std::string_view(text, static_cast<size_t>(n)));
    }
    sqlite3_finalize(stmt);
    return result;
}

void UserDefaults::setObject(const Json& value, const std::string& key)
{
    std::lock_guard lock(m_mutex);
    m_pending[key] = value;
}

void UserDefaults::removeObjectForKey(const std::string& key)
{
    std::lock_guard lock(m_mutex);
    m_pending[key] = std::nullopt;
}

bool UserDefaults::synchronize()
{
    std::lock_guard lock(m_mutex);
    if (m_pending.empty())
        return true;
    if (!m_db) {
        log("Settings store %s is not open; %zu change(s) not saved", m_path.c_str(), m_pending.size());
        return false;
    }
    if (!exec(m_db, "BEGIN IMMEDIATE"))
        return false;
    sqlite3_stmt* put = nullptr;
    sqlite3_stmt* del = nullptr;
    bool ok = sqlite3_prepare_v2(m_db, "INSERT OR REPLACE INTO defaults (key, value) VALUES (?, ?)", -1, &put, nullptr) == SQLITE_OK
        && sqlite3_prepare_v2(m_db, "DELETE FROM defaults WHERE key = ?", -1, &del, nullptr) == SQLITE_OK;
    for (auto& [key, value] : m_pending) {
        if (!ok)
            break;
        if (value) {
            std::string text = value->dump(-1, ' ', false, Json::error_handler_t::replace);
            sqlite3_bind_text(put, 1, key.data(), static_cast<int>(key.size()), SQLITE_TRANSIENT);
            sqlite3_bind_text(put, 2, text.data(), static_cast<int>(text.size()), SQLITE_TRANSIENT);
            ok = sqlite3_step(put) == SQLITE_DONE;
            sqlite3_reset(put);
        } else {
            sqlite3_bind_text(del, 1, key.data(), static_cast<int>(key.size()), SQLITE_TRANSIENT);
            ok = sqlite3_step(del) == SQLITE_DONE;
            sqlite3_reset(del);
        }
    }
    sqlite3_finalize(put);
    sqlite3_finalize(del);
    if (!ok) {
        log("Settings store %s: write failed: %s", m_path.c_str(), sqlite3_errmsg(m_db));
        exec(m_db, "ROLLBACK");
        return false;
    }
    if (!exec(m_db, "COMMIT")) {
        exec(m_db, "ROLLBACK");
        return false;
    }
    m_pending.clear();
    return true;
}

}
