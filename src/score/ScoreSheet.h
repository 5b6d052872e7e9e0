#pragma once
#include "score/BeatNumbering.h"
#include "score/ScoreRow.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace score {

// A song read for playing: its rows in file order and the two working lists the player walks,
// the beat list (`shadowArray`) and the bar list (`displayArray`), both sorted by bar.
class ScoreSheet {
public:
    // Documents folder + "data/data/" + song name + ".csv". Imported songs are named with
    // `importedPrefix` in front, which no downloaded song's name has, so the two never share a
    // file or saved state: their files are documents folder + "imported/" + the rest + ".csv".
    static std::string songFilePath(const std::string& songName);
    static constexpr const char* importedPrefix = "/imported/";
    static bool isImportedSongName(const std::string& songName);

    // Reads the song file (separator ",", quote "\"") and builds both lists; the saved beat list
    // takes the place of the file's beats when one fits the song. A song that cannot be read
    // gives a sheet without rows.
    static ScoreSheet open(const std::string& songName);
    static ScoreSheet openFile(const std::string& path, const std::string& songName);
    static ScoreSheet fromRows(std::vector<ScoreRow> rows, std::optional<std::vector<ScoreRow>> savedBeatList);

    bool readable() const { return m_readable; }
    const std::vector<ScoreRow>& rows() const { return m_rows; }
    const std::vector<ScoreRow>& shadowArray() const { return m_shadowArray; }
    const std::vector<ScoreRow>& displayArray() const { return m_displayArray; }
    // Whether the beat list came from the settings store; layout then takes tempo texts from it.
    bool hasSavedBeatList() const { return m_hasSavedBeatList; }
    // The saved beat list in the order it was stored (empty without one): layout takes the tempo
    // of the beat with key k from its entry k - 1.
    const std::vector<ScoreRow>& savedBeatList() const { return m_savedBeatList; }
    // The highest beat key of the rows drawn as beats; 0 when none.
    int32_t highestBeatKey() const { return m_highestBeatKey; }
    // Beat keys by the key rule, or by place for songs whose bars differ in beats.
    const BeatNumbering& numbering() const { return m_numbering; }

    // Tempo edits: the beat list is replaced whole, so a copy taken earlier keeps what it saw.
    void setShadowArray(std::vector<ScoreRow> beats) { m_shadowArray = std::move(beats); }
    // The beat at `position` with "tempo (40)" set to the number as "%d" text.
    void setBeatTempo(size_t position, int32_t tempo);
    // Once laid out, the player keeps only the two lists, their texts copied into storage of
    // their own: the file's other rows, most of its text, go with the rows.
    void releaseRows();
    // The scroll width: the sum of the bar rows' whole "length(109)" values, not halved.
    int64_t contentWidth() const { return m_contentWidth; }

    // The pieces, for callers that build the lists themselves.
    // Rows whose "channel" text is exactly "41" / "42", in file order.
    static std::vector<ScoreRow> beatRows(const std::vector<ScoreRow>& rows);
    static std::vector<ScoreRow> barRows(const std::vector<ScoreRow>& rows);
    // Stable sort by the whole number of "Bar No(40)", ascending.
    static std::vector<ScoreRow> sortedByBar(std::vector<ScoreRow> rows);
    static int64_t contentWidthOf(const std::vector<ScoreRow>& bars);
    // The highest beat key of the rows drawn as beats (whole-number channel 41); 0 when none.
    static int32_t highestBeatKey(const std::vector<ScoreRow>& rows);

private:
    static ScoreSheet build(std::vector<ScoreRow> rows, std::optional<std::vector<ScoreRow>> savedBeatList, BeatNumbering numbering);

    std::vector<ScoreRow> m_rows;
    std::vector<ScoreRow> m_shadowArray;
    std::vector<ScoreRow> m_displayArray;
    std::vector<ScoreRow> m_savedBeatList;
    int64_t m_contentWidth = 0;
    int32_t m_highestBeatKey = 0;
    BeatNumbering m_numbering;
    bool m_hasSavedBeatList = false;
    bool m_readable = false;
};

}
