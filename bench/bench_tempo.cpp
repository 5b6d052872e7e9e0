// Saving the tempi of long songs: the player's Save (the beat list into the settings store with a
// durable commit) against the floor of writing the very same bytes with SQLite directly (same
// journal mode and sync level, one INSERT in one transaction). Reported: the time Save holds the
// main thread, and the time until the write is durable. Save and floor alternate, three rounds
// each per size; the median counts.
//
//   cmake --build <build> --target bench_tempo && <build>/bench/bench_tempo
#include "BenchHome.h"
#include "platform/core/FileManager.h"
#include "platform/core/Log.h"
#include "platform/core/Paths.h"
#include "platform/core/UserDefaults.h"
#include "player/ViewController.h"
#include "score/SavedBeatList.h"

#include <sqlite3.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

double nowMs()
{
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

std::string generateSong(int beats)
{
    std::string text = "channel,Bar No(40),Beats per Bar(40),tempo (40),ipad_col(107),ipad_rows,length(109),height(110),"
                       "flip_view,rise_fall,sharp_flat,fingering/chord,lyrics,ipad_color(105),Z-level,Content\r";
    char line[256];
    for (int bar = 0; bar * 4 < beats; ++bar) {
        std::snprintf(line, sizeof line, "42,%d,4,160,%d,44,480,8,1,,,0,0,0,1,\r", bar, bar * 480);
        text += line;
        for (int beat = 1; beat <= 4 && bar * 4 + beat <= beats; ++beat) {
            std::snprintf(line, sizeof line, "41,%d,%d,100,%d,8,120,30,4,36,96,0,0,0,10,\r", bar, beat, bar * 480 + (beat - 1) * 120);
            text += line;
        }
    }
    return text;
}

bool exec(sqlite3* db, const char* sql)
{
    return sqlite3_exec(db, sql, nullptr, nullptr, nullptr) == SQLITE_OK;
}

// The stored text of a key, read from the store's file as SQLite holds it.
std::string storedText(const std::string& storePath, const std::string& key)
{
    sqlite3* db = nullptr;
    std::string text;
    if (sqlite3_open_v2(storePath.c_str(), &db, SQLITE_OPEN_READONLY, nullptr) == SQLITE_OK) {
        sqlite3_stmt* stmt = nullptr;
        if (sqlite3_prepare_v2(db, "SELECT value FROM defaults WHERE key = ?", -1, &stmt, nullptr) == SQLITE_OK) {
            sqlite3_bind_text(stmt, 1, key.data(), int(key.size()), SQLITE_TRANSIENT);
            if (sqlite3_step(stmt) == SQLITE_ROW)
                text.assign(reinterpret_cast<const char*>(sqlite3_column_text(stmt, 0)), size_t(sqlite3_column_bytes(stmt, 0)));
        }
        sqlite3_finalize(stmt);
    }
    sqlite3_close(db);
    return text;
}

// The floor: the same bytes under the same key, written as the store writes them.
double writeDirectly(sqlite3* db, const std::string& key, const std::string& text)
{
    double start = nowMs();
    sqlite3_stmt* put = nullptr;
    bool ok = exec(db, "BEGIN IMMEDIATE")
        && sqlite3_prepare_v2(db, "INSERT OR REPLACE INTO defaults (key, value) VALUES (?, ?)", -1, &put, nullptr) == SQLITE_OK;
    if (ok) {
        sqlite3_bind_text(put, 1, key.data(), int(key.size()), SQLITE_TRANSIENT);
        sqlite3_bind_text(put, 2, text.data(), int(text.size()), SQLITE_TRANSIENT);
        ok = sqlite3_step(put) == SQLITE_DONE;
    }
    sqlite3_finalize(put);
    ok = ok && exec(db, "COMMIT");
    double took = nowMs() - start;
    return ok ? took : -1;
}

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

}

int main(int argc, char** argv)
{
    std::string folder;
    auto temporaryHome = makeBenchHome("tempo", folder);
    if (!temporaryHome)
        return 1;
    const bool quick = setupOnly(argc, argv);
    std::string home = temporaryHome->path();
    std::string storePath = core::UserDefaults::standardUserDefaults()->path();

    sqlite3* floorDb = nullptr;
    std::string floorPath = home + "/floor.sqlite";
    if (sqlite3_open_v2(floorPath.c_str(), &floorDb, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr) != SQLITE_OK
        || !exec(floorDb, "PRAGMA journal_mode=WAL") || !exec(floorDb, "PRAGMA synchronous=FULL")
        || !exec(floorDb, "CREATE TABLE IF NOT EXISTS defaults (key TEXT PRIMARY KEY, value TEXT NOT NULL)")) {
        std::fprintf(stderr, "cannot open the floor's database\n");
        return 1;
    }

    std::printf("%8s %10s %16s %14s %14s %9s\n", "beats", "bytes", "save main ms", "save done ms", "sqlite ms", "ratio");
    double main16k = 0;
    double ratio16k = 0;
    for (int beats : { 1000, 4000, 16000 }) {
        std::string name = "bench" + std::to_string(beats);
        if (!core::files::writeContentsAtPath(folder + "/" + name + ".csv", generateSong(beats)).ok())
            return 1;
        auto player = player::ViewController::create();
        player->setMode(3, name);
        player->view();

        std::vector<double> mains;
        std::vector<double> dones;
        std::vector<double> floors;
        std::string text;
        for (int round = 0; round < 3; ++round) {
            player->increase(nullptr);
            double start = nowMs();
            player->saveChanges(nullptr);
            mains.push_back(nowMs() - start);
            score::SavedBeatList::waitForPendingSaves();
            dones.push_back(nowMs() - start);

            text = storedText(storePath, name);
            if (text.empty()) {
                std::fprintf(stderr, "the save of %d beats did not reach the store\n", beats);
                return 1;
            }
            double direct = writeDirectly(floorDb, name, text);
            if (direct < 0) {
                std::fprintf(stderr, "the floor's write failed\n");
                return 1;
            }
            floors.push_back(direct);
            if (quick)
                break;
        }
        double mainMs = median(mains);
        double doneMs = median(dones);
        double floorMs = median(floors);
        if (beats == 16000) {
            main16k = mainMs;
            ratio16k = doneMs / floorMs;
        }
        std::printf("%8d %10zu %16.2f %14.2f %14.2f %8.1fx\n", beats, text.size(), mainMs, doneMs, floorMs, doneMs / floorMs);
        if (quick)
            break;
    }
    std::printf("goal: Save holds the main thread at most 50 ms for 16,000 beats: %.1f ms, %s\n", main16k, main16k <= 50 ? "met" : "NOT met");
    std::printf("goal: the durable save of 16,000 beats within 5x writing its bytes directly: %.1fx, %s\n", ratio16k,
        ratio16k <= 5 ? "met" : "NOT met");
    sqlite3_close(floorDb);
    // The temporary home goes with its folder; the real home is never resolved here.
    core::UserDefaults::resetStandardUserDefaults();
    return 0;
}
