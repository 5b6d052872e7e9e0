#pragma once

namespace score {
class CSVParser;
class RowBlock;
class SavedBeatList;
class ScoreHeader;
class ScoreRow;
class ScoreSheet;
struct Colour;
struct Frame;
}
