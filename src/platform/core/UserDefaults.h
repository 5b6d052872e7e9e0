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
// store file that is not a readable database is moved aside and a fresh one is started.
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
    void removeObjectForKey(const std::string& key);
    // Commits pending values durably; false (with a log line) when the store cannot be written.
    bool synchronize();

    const std::string& path() const { return m_path; }

private:
    explicit UserDefaults(std::string path);
    bool openDatabase();
    void closeDatabase();

    std::recursive_mutex m_mutex;
    std::string m_path;
    sqlite3* m_db = nullptr;
    // A pending empty value marks a removal.
    std::map<std::string, std::optional<Json>> m_pending;
};

}
