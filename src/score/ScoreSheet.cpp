#include "score/ScoreSheet.h"

#include "platform/core/Log.h"
#include "platform/core/Paths.h"
#include "score/CSVParser.h"
#include "score/Columns.h"
#include "score/Readings.h"
#include "score/RowKind.h"
#include "score/SavedBeatList.h"
#include "score/RowBlock.h"
#include "score/ScoreHeader.h"

#include <algorithm>
#include <climits>
#include <cstdlib>
#include <string_view>
#include <numeric>

namespace score {

namespace {

// The rows again, equal as maps, with their texts copied into blocks of their own. Each block is
// filled completely before any row refers to it.
std::vector<ScoreRow> compacted(const std::vector<ScoreRow>& rows)
{
    std::vector<ScoreRow> out;
    out.reserve(rows.size());
    size_t next = 0;
    while (next < rows.size()) {
        const auto& header = rows[next].header();
        uint32_t fields = header->fieldCount();
        if (fields == 0) {
            out.push_back(rows[next++]);
            continue;
        }
        // Consecutive rows of one header, as many as one block takes, measured first so that
        // the block is reserved once.
        size_t first = next;
        size_t textBytes = 0;
        for (; next < rows.size() && rows[next].header() == header && textBytes < RowBlock::targetTextBytes; ++next) {
            size_t bytes = rows[next].textBytes();
            if (bytes > UINT32_MAX - textBytes)
                break;
            textBytes += bytes;
        }
        if (next == first) {
            // A row too long for a block of its own stays where it is.
            out.push_back(rows[next++]);
            continue;
        }
        auto block = std::make_shared<RowBlock>(header);
        block->reserve(textBytes, next - first);
        for (size_t r = first; r < next; ++r)
            rows[r].appendTo(*block);
        for (uint32_t row = 0; row < uint32_t(next - first); ++row)
            out.emplace_back(block, row);
    }
    return out;
}

}

void ScoreSheet::releaseRows()
{
    std::vector<ScoreRow>().swap(m_rows);
    std::vector<ScoreRow>().swap(m_savedBeatList);
    m_shadowArray = compacted(m_shadowArray);
    m_displayArray = compacted(m_displayArray);
}

namespace {

// Rows of one file share a header, so a column is looked up once per header, not once per row.
class ColumnReader {
public:
    explicit ColumnReader(std::string_view name) : m_name(name) { }

    std::string_view text(const ScoreRow& row)
    {
        const auto& header = row.header();
        if (header.get() != m_header) {
            m_header = header.get();
            m_index = header->indexOf(m_name);
        }
        return m_index == ScoreHeader::npos ? std::string_view() : row.field(m_index);
    }

private:
    std::string_view m_name;
    const ScoreHeader* m_header = nullptr;
    uint32_t m_index = ScoreHeader::npos;
};

std::vector<ScoreRow> rowsWithChannel(const std::vector<ScoreRow>& rows, std::string_view channel)
{
    ColumnReader channels(column::channel);
    std::vector<ScoreRow> selected;
    for (const auto& row : rows) {
        if (channels.text(row) == channel)
            selected.push_back(row);
    }
    return selected;
}

}

std::string ScoreSheet::songFilePath(const std::string& songName)
{
    if (isImportedSongName(songName))
        return core::paths::documentsDirectory() + "/imported/" + songName.substr(std::string_view(importedPrefix).size()) + ".csv";
    return core::paths::documentsDirectory() + "/data/data/" + songName + ".csv";
}

bool ScoreSheet::isImportedSongName(const std::string& songName)
{
    return songName.rfind(importedPrefix, 0) == 0;
}

ScoreSheet ScoreSheet::open(const std::string& songName)
{
    const std::string path = songFilePath(songName);
    // A song is read only from the content folder itself, whatever links or names point elsewhere.
    char resolved[PATH_MAX];
    if (realpath(path.c_str(), resolved)) {
        // The folder of its kind: the downloaded songs' or the imported songs'.
        const std::string probe = isImportedSongName(songName) ? std::string(importedPrefix) + "x" : std::string("x");
        const std::string content = core::paths::stringByDeletingLastPathComponent(songFilePath(probe));
        char contentResolved[PATH_MAX];
        std::string inside = realpath(content.c_str(), contentResolved) ? std::string(contentResolved) + "/" : std::string();
        if (inside.empty() || std::string_view(resolved).substr(0, inside.size()) != inside) {
            core::log("The song file %s lies outside the content folder and is not opened", path.c_str());
            ScoreSheet refused = fromRows({}, std::nullopt);
            refused.m_readable = false;
            return refused;
        }
    }
    return openFile(path, songName);
}

ScoreSheet ScoreSheet::openFile(const std::string& path, const std::string& songName)
{
    auto rows = CSVParser::parseCSVIntoArrayOfDictionariesFromFile(path, ",", "\"");
    std::vector<ScoreRow> fileRows = rows ? std::move(*rows) : std::vector<ScoreRow>();
    auto numbering = BeatNumbering::of(fileRows);
    auto saved = SavedBeatList::load(songName, numbering.highestKey());
    auto sheet = build(std::move(fileRows), std::move(saved), std::move(numbering));
    sheet.m_readable = rows.has_value();
    return sheet;
}

ScoreSheet ScoreSheet::fromRows(std::vector<ScoreRow> rows, std::optional<std::vector<ScoreRow>> savedBeatList)
{
    auto numbering = BeatNumbering::of(rows);
    return build(std::move(rows), std::move(savedBeatList), std::move(numbering));
}

ScoreSheet ScoreSheet::build(std::vector<ScoreRow> rows, std::optional<std::vector<ScoreRow>> savedBeatList, BeatNumbering numbering)
{
    ScoreSheet sheet;
    sheet.m_highestBeatKey = numbering.highestKey();
    sheet.m_numbering = std::move(numbering);
    sheet.m_hasSavedBeatList = savedBeatList.has_value();
    std::vector<ScoreRow> beats;
    std::vector<ScoreRow> bars;
    ColumnReader channels(column::channel);
    for (const auto& row : rows) {
        auto channel = channels.text(row);
        if (channel == "41" && !savedBeatList)
            beats.push_back(row);
        else if (channel == "42")
            bars.push_back(row);
    }
    if (savedBeatList)
        sheet.m_savedBeatList = *savedBeatList;
    sheet.m_shadowArray = sortedByBar(savedBeatList ? std::move(*savedBeatList) : std::move(beats));
    sheet.m_contentWidth = contentWidthOf(bars);
    sheet.m_displayArray = sortedByBar(std::move(bars));
    sheet.m_rows = std::move(rows);
    sheet.m_readable = true;
    return sheet;
}

void ScoreSheet::setBeatTempo(size_t position, int32_t tempo)
{
    if (position >= m_shadowArray.size())
        return;
    std::vector<ScoreRow> list = m_shadowArray;
    list[position] = list[position].withIntValue(column::tempo, tempo);
    m_shadowArray = std::move(list);
}

std::vector<ScoreRow> ScoreSheet::beatRows(const std::vector<ScoreRow>& rows)
{
    return rowsWithChannel(rows, "41");
}

std::vector<ScoreRow> ScoreSheet::barRows(const std::vector<ScoreRow>& rows)
{
    return rowsWithChannel(rows, "42");
}

std::vector<ScoreRow> ScoreSheet::sortedByBar(std::vector<ScoreRow> rows)
{
    ColumnReader bars(column::barNo);
    std::vector<int32_t> keys;
    keys.reserve(rows.size());
    for (const auto& row : rows)
        keys.push_back(intValue(bars.text(row)));
    // Song files list their bars in order; only an edited or foreign list needs the sort.
    if (std::is_sorted(keys.begin(), keys.end()))
        return rows;
    std::vector<size_t> order(rows.size());
    std::iota(order.begin(), order.end(), 0);
    std::stable_sort(order.begin(), order.end(), [&](size_t a, size_t b) { return keys[a] < keys[b]; });
    std::vector<ScoreRow> sorted;
    sorted.reserve(rows.size());
    for (size_t i : order)
        sorted.push_back(std::move(rows[i]));
    return sorted;
}

int64_t ScoreSheet::contentWidthOf(const std::vector<ScoreRow>& bars)
{
    ColumnReader lengths(column::length);
    int64_t width = 0;
    for (const auto& row : bars)
        width += intValue(lengths.text(row));
    return width;
}

int32_t ScoreSheet::highestBeatKey(const std::vector<ScoreRow>& rows)
{
    ColumnReader channels(column::channel);
    ColumnReader barNumbers(column::barNo);
    ColumnReader beatsPerBar(column::beatsPerBar);
    ColumnReader flipViews(column::flipView);
    int32_t highest = 0;
    for (const auto& row : rows) {
        if (intValue(channels.text(row)) != 41)
            continue;
        // As beatKey(), with the columns looked up once per header.
        int64_t key = int64_t(intValue(barNumbers.text(row))) * intValue(flipViews.text(row)) + intValue(beatsPerBar.text(row));
        highest = int32_t(std::clamp<int64_t>(std::max<int64_t>(highest, key), INT32_MIN, INT32_MAX));
    }
    return highest;
}

}
