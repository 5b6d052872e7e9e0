#pragma once
#include "platform/core/Json.h"

#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>

struct sqlite3;

namespace core {

// The per-user settings store: JSON values by key in an SQLite file (WAL, busy timeout), so two
// processes sharing one store see each other's saved values and never corrupt it. setObject keeps
// the value pending; synchronize() commits every pending value durably in one transaction. A
// store file that SQLite finds is not a database, or corrupt, is moved aside (with its -wal and
// -shm) under a name that did not exist, and a fresh one is started. Any other failure (a
// read-only file or folder, no permission, a full disk, an I/O error) keeps the store as it is,
// read-only where that works so saved values are still used, and problem() says why changes
// cannot be saved.
class UserDefaults {
public:
    static std::shared_ptr<UserDefaults> open(const std::string& path);
    // The store at home + "settings.sqlite", opened on first use.
    static std::shared_ptr<UserDefaults> standardUserDefaults();
    // Tests and --home changes: forget the shared store (it is closed once unused).
    static void resetStandardUserDefaults();

    ~UserDefaults();

    // The value for the key, pending or stored; none when absent.
    std::optional<Json> valueForKey(const std::string& key);
    void setObject(const Json& value, const std::string& key);
    // A value already written as JSON text (it must be one JSON document), stored as it is.
    void setSerializedObject(std::string json, const std::string& key);
    void removeObjectForKey(const std::string& key);
    // Removes every key that starts with `prefix`, pending or stored (committed on synchronize).
    void removeObjectsWithPrefix(const std::string& prefix);
    // Commits pending values durably; false (with a log line) when the store cannot be written.
    bool synchronize();

    const std::string& path() const { return m_path; }

    // Why changes cannot be saved, in a sentence for the user; empty while they can.
    std::string problem();
    // The problem, the first time it is asked for (the app tells the user once).
    std::string takeProblemToReport();
    // Why the last synchronize() failed, in a sentence for the user; empty after a success.
    std::string lastSaveFailure();

private:
    explicit UserDefaults(std::string path);
    // SQLITE_OK, or the code of the step that failed.
    int openDatabase();
    int openReadOnly();
    void closeDatabase();
    bool moveAside();
    void migrateKeyConstraint();

    std::recursive_mutex m_mutex;
    std::string m_path;
    sqlite3* m_db = nullptr;
    // Values waiting for synchronize(), as the JSON text that will be stored; a pending empty
    // value marks a removal.
    std::map<std::string, std::optional<std::string>> m_pending;
    std::string m_problem;
    bool m_problemReported = false;
    bool m_readOnly = false;
    std::string m_lastSaveFailure;
};

}
