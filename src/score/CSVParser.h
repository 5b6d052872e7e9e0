#pragma once
#include "score/ScoreRow.h"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace score {

// Reads delimited text files. A line ends only at a carriage return; it is cut at every character
// of the separator string and each piece is trimmed of the quote characters, line feeds, carriage
// returns and spaces at its ends. There is no quoting grammar: a quoted separator still separates.
// Holds no state; every operation may run on any thread.
class CSVParser {
public:
    // One row per line after the first, keyed by the first line's texts. A line that is empty
    // after trimming is skipped; a short line gets empty texts for its missing columns and extra
    // fields are dropped, so every row holds every column. None when the file cannot be read or
    // is not UTF-8; a leading byte-order mark is dropped.
    static std::optional<std::vector<ScoreRow>> parseCSVIntoArrayOfDictionariesFromFile(const std::string& path,
        std::string_view separators, std::optional<std::string_view> quote);

    // Every line, the first included, as its list of field texts.
    static std::optional<std::vector<std::vector<std::string>>> parseCSVIntoArrayOfArraysFromFile(const std::string& path,
        std::string_view separators, std::optional<std::string_view> quote);

    // Each text without the characters of `characters` at either end, however many there are.
    static std::vector<std::string> trimComponents(const std::vector<std::string>& components, std::string_view characters);
};

}
