#include "platform/core/UserDefaults.h"

#include "platform/core/FileManager.h"
#include "platform/core/Log.h"
#include "platform/core/Paths.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <sqlite3.h>
#include <sys/stat.h>

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

// Why a store cannot be written, for the user, from SQLite's code and the system's errno.
std::string reasonFor(int code, int systemErrno)
{
    int primary = code & 0xff;
    if (primary == SQLITE_FULL || systemErrno == ENOSPC || systemErrno == EDQUOT)
        return "the disk is full";
    if (primary == SQLITE_READONLY || primary == SQLITE_PERM || primary == SQLITE_AUTH || systemErrno == EACCES
        || systemErrno == EPERM || systemErrno == EROFS)
        return "the settings file or its folder is read-only";
    if (primary == SQLITE_IOERR)
        return std::string("the disk reported an error (") + (systemErrno ? strerror(systemErrno) : sqlite3_errstr(code)) + ")";
    if (primary == SQLITE_CANTOPEN)
        return "the settings file cannot be opened";
    return sqlite3_errstr(code);
}

// A path as an SQLite URI ("file:" + the path with the URI's own characters escaped).
std::string fileURI(const std::string& path)
{
    std::string uri = "file:";
    for (char c : path) {
        if (c == '%' || c == '?' || c == '#')
            uri += format("%%%02X", static_cast<unsigned char>(c));
        else
            uri += c;
    }
    return uri;
}

bool exists(const std::string& path)
{
    struct stat st {};
    return lstat(path.c_str(), &st) == 0;
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
    int rc = defaults->openDatabase();
    if (rc == SQLITE_OK) {
        defaults->migrateKeyConstraint();
        return defaults;
    }
    int primary = rc & 0xff;
    if (primary == SQLITE_BUSY || primary == SQLITE_LOCKED) {
        // Another process holds it: the file is fine, so keep it and let later calls retry.
        log("Settings store %s is locked by another process; opening it as it stands", path.c_str());
        return defaults;
    }
    int systemErrno = defaults->m_db ? sqlite3_system_errno(defaults->m_db) : 0;
    defaults->closeDatabase();
    if (primary == SQLITE_NOTADB || primary == SQLITE_CORRUPT) {
        // Not a database we can use: keep the bytes for whoever wants them, start afresh.
        if (!defaults->moveAside())
            return defaults;
        if (int again = defaults->openDatabase(); again != SQLITE_OK) {
            int againErrno = defaults->m_db ? sqlite3_system_errno(defaults->m_db) : 0;
            defaults->closeDatabase();
            defaults->m_problem = "Changes cannot be saved because " + reasonFor(again, againErrno) + ".";
            log("Settings store %s cannot be created; settings will not be kept", path.c_str());
        }
        return defaults;
    }
    // Anything else is no reason to give up the saved values: keep the file, read what it holds.
    std::string reason = reasonFor(rc, systemErrno);
    bool readable = defaults->openReadOnly() == SQLITE_OK;
    defaults->m_readOnly = readable;
    defaults->m_problem = "Changes cannot be saved because " + reason + "."
        + (readable ? " Your saved tempi are still used." : "");
    log("Settings store %s cannot be written (%s: %s); %s", path.c_str(), sqlite3_errstr(rc), reason.c_str(),
        readable ? "opened it read-only" : "it cannot be read either");
    return defaults;
}

int UserDefaults::openDatabase()
{
    std::string folder = paths::stringByDeletingLastPathComponent(m_path);
    if (!folder.empty())
        files::createDirectoryAtPath(folder, true);
    if (int rc = sqlite3_open_v2(m_path.c_str(), &m_db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_FULLMUTEX, nullptr);
        rc != SQLITE_OK)
        return rc;
    sqlite3_busy_timeout(m_db, 5000);
    // Until the file proves to be a database, closing must not delete its journal: a damaged
    // store is moved aside with its -wal.
    int persistJournal = 1;
    sqlite3_file_control(m_db, "main", SQLITE_FCNTL_PERSIST_WAL, &persistJournal);
    // SQLite opens a write-protected file read-only without an error.
    if (sqlite3_db_readonly(m_db, "main") == 1)
        return SQLITE_READONLY;
    // Touching the schema is what reveals a file that is not a database.
    for (const char* sql : { "PRAGMA journal_mode=WAL", "PRAGMA synchronous=FULL",
             "CREATE TABLE IF NOT EXISTS defaults (key TEXT PRIMARY KEY, value TEXT NOT NULL)" }) {
        if (!exec(m_db, sql))
            return sqlite3_errcode(m_db);
    }
    sqlite3_stmt* check = nullptr;
    int rc = sqlite3_prepare_v2(m_db, "SELECT count(*) FROM defaults", -1, &check, nullptr);
    if (rc == SQLITE_OK)
        rc = sqlite3_step(check) == SQLITE_ROW ? SQLITE_OK : sqlite3_errcode(m_db);
    sqlite3_finalize(check);
    if (rc == SQLITE_OK) {
        persistJournal = 0;
        sqlite3_file_control(m_db, "main", SQLITE_FCNTL_PERSIST_WAL, &persistJournal);
    }
    return rc;
}

int UserDefaults::openReadOnly()
{
    closeDatabase();
    if (!exists(m_path))
        return SQLITE_CANTOPEN;
    // A WAL store needs its -shm beside it even to read; where that cannot be made, read the file
    // as it stands (immutable), which is what a cleanly closed store holds.
    int rc = SQLITE_CANTOPEN;
    for (const char* mode : { "?mode=ro", "?immutable=1" }) {
        std::string uri = fileURI(m_path) + mode;
        rc = sqlite3_open_v2(uri.c_str(), &m_db, SQLITE_OPEN_READONLY | SQLITE_OPEN_URI | SQLITE_OPEN_FULLMUTEX, nullptr);
        if (rc == SQLITE_OK) {
            sqlite3_stmt* check = nullptr;
            rc = sqlite3_prepare_v2(m_db, "SELECT count(*) FROM defaults", -1, &check, nullptr);
            if (rc == SQLITE_OK)
                rc = sqlite3_step(check) == SQLITE_ROW ? SQLITE_OK : sqlite3_errcode(m_db);
            sqlite3_finalize(check);
            if (rc == SQLITE_OK)
                return rc;
        }
        closeDatabase();
    }
    return rc;
}

// A table made without the key constraint (by hand or by an old build) may hold a key more than
// once; rebuild it keeping the newest value of each key.
void UserDefaults::migrateKeyConstraint()
{
    sqlite3_stmt* info = nullptr;
    bool keyed = false;
    if (sqlite3_prepare_v2(m_db, "SELECT sum(pk > 0), sum(pk > 0 AND name = 'key') FROM pragma_table_info('defaults')", -1, &info,
            nullptr)
            == SQLITE_OK
        && sqlite3_step(info) == SQLITE_ROW)
        keyed = sqlite3_column_int(info, 0) == 1 && sqlite3_column_int(info, 1) == 1;
    sqlite3_finalize(info);
    if (keyed)
        return;
    bool ok = exec(m_db, "BEGIN IMMEDIATE");
    for (const char* sql : { "CREATE TABLE defaults_keyed (key TEXT PRIMARY KEY, value TEXT NOT NULL)",
             "INSERT INTO defaults_keyed (key, value) SELECT key, value FROM defaults WHERE rowid IN "
             "(SELECT max(rowid) FROM defaults WHERE key IS NOT NULL GROUP BY key) AND value IS NOT NULL",
             "DROP TABLE defaults", "ALTER TABLE defaults_keyed RENAME TO defaults", "COMMIT" }) {
        ok = ok && exec(m_db, sql);
    }
    if (!ok) {
        exec(m_db, "ROLLBACK");
        log("Settings store %s: its table lacks the key constraint and could not be rebuilt", m_path.c_str());
        return;
    }
    log("Settings store %s: rebuilt its table with one value per key", m_path.c_str());
}

void UserDefaults::closeDatabase()
{
    if (m_db)
        sqlite3_close_v2(m_db);
    m_db = nullptr;
}

std::string UserDefaults::problem()
{
    std::lock_guard lock(m_mutex);
    return m_problem;
}

std::string UserDefaults::takeProblemToReport()
{
    std::lock_guard lock(m_mutex);
    if (m_problemReported)
        return {};
    m_problemReported = !m_problem.empty();
    return m_problem;
}

std::string UserDefaults::lastSaveFailure()
{
    std::lock_guard lock(m_mutex);
    return m_lastSaveFailure;
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
        return it->second ? JSONObject(*it->second) : std::nullopt;
    if (!m_db)
        return std::nullopt;
    sqlite3_stmt* stmt = nullptr;
    if (sqlite3_prepare_v2(m_db, "SELECT value FROM defaults WHERE key = ? ORDER BY rowid DESC LIMIT 1", -1, &stmt, nullptr) != SQLITE_OK)
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
    setSerializedObject(value.dump(-1, ' ', false, Json::error_handler_t::replace), key);
}

void UserDefaults::setSerializedObject(std::string json, const std::string& key)
{
    std::lock_guard lock(m_mutex);
    m_pending[key] = std::move(json);
}

void UserDefaults::removeObjectForKey(const std::string& key)
{
    std::lock_guard lock(m_mutex);
    m_pending[key] = std::nullopt;
}

void UserDefaults::removeObjectsWithPrefix(const std::string& prefix)
{
    std::lock_guard lock(m_mutex);
    for (auto it = m_pending.lower_bound(prefix); it != m_pending.end() && it->first.starts_with(prefix); ++it)
        it->second = std::nullopt;
    if (!m_db)
        return;
    sqlite3_stmt* stmt = nullptr;
    // substr, not LIKE: the prefix is a song's name and may hold '%' or '_'.
    if (sqlite3_prepare_v2(m_db, "SELECT DISTINCT key FROM defaults WHERE substr(key, 1, ?) = ?", -1, &stmt, nullptr) != SQLITE_OK)
        return;
    sqlite3_bind_int(stmt, 1, static_cast<int>(prefix.size()));
    sqlite3_bind_text(stmt, 2, prefix.data(), static_cast<int>(prefix.size()), SQLITE_TRANSIENT);
    while (sqlite3_step(stmt) == SQLITE_ROW) {
        auto text = reinterpret_cast<const char*>(sqlite3_column_text(stmt, 0));
        int n = sqlite3_column_bytes(stmt, 0);
        if (text)
            m_pending[std::string(text, static_cast<size_t>(n))] = std::nullopt;
    }
    sqlite3_finalize(stmt);
}

bool UserDefaults::synchronize()
{
    std::lock_guard lock(m_mutex);
    if (m_pending.empty())
        return true;
    if (!m_db || m_readOnly) {
        log("Settings store %s is not open for writing; %zu change(s) not saved", m_path.c_str(), m_pending.size());
        m_lastSaveFailure = m_problem.empty() ? "Changes cannot be saved because the settings file cannot be opened."
                                              : m_problem;
        return false;
    }
    auto failed = [this] {
        m_lastSaveFailure = "Changes cannot be saved because " + reasonFor(sqlite3_extended_errcode(m_db), sqlite3_system_errno(m_db))
            + ".";
        return false;
    };
    if (!exec(m_db, "BEGIN IMMEDIATE"))
        return failed();
    sqlite3_stmt* put = nullptr;
    sqlite3_stmt* del = nullptr;
    bool ok = sqlite3_prepare_v2(m_db, "INSERT OR REPLACE INTO defaults (key, value) VALUES (?, ?)", -1, &put, nullptr) == SQLITE_OK
        && sqlite3_prepare_v2(m_db, "DELETE FROM defaults WHERE key = ?", -1, &del, nullptr) == SQLITE_OK;
    for (auto& [key, value] : m_pending) {
        if (!ok)
            break;
        if (value) {
            sqlite3_bind_text(put, 1, key.data(), static_cast<int>(key.size()), SQLITE_TRANSIENT);
            sqlite3_bind_text(put, 2, value->data(), static_cast<int>(value->size()), SQLITE_STATIC);
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
        failed();
        exec(m_db, "ROLLBACK");
        return false;
    }
    if (!exec(m_db, "COMMIT")) {
        failed();
        exec(m_db, "ROLLBACK");
        return false;
    }
    m_pending.clear();
    m_lastSaveFailure.clear();
    return true;
}

}
