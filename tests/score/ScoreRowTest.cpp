#include "score/ScoreRow.h"

#include "score/CSVParser.h"
#include "score/Columns.h"
#include "score/ScoreHeader.h"
#include "TempFolder.h"

#include <gtest/gtest.h>

using score::ScoreRow;
using Map = std::map<std::string, std::string>;

TEST(ScoreRowTest, ReadsColumnsAsTextWholeNumberAndNumber)
{
    auto row = ScoreRow::fromMap({ { "tempo (40)", "72.5" }, { "channel", "+41" }, { "Content", " x" } });
    EXPECT_EQ(row.text("tempo (40)"), "72.5");
    EXPECT_EQ(row.intValue("tempo (40)"), 72);
    EXPECT_FLOAT_EQ(row.floatValue("tempo (40)"), 72.5f);
    EXPECT_EQ(row.intValue("channel"), 41);
    EXPECT_NE(row.text("channel"), "41");
    EXPECT_EQ(row.text("Content"), " x");
    EXPECT_EQ(row.count(), 3u);
}

TEST(ScoreRowTest, MissingColumnReadsEmptyAndZero)
{
    auto row = ScoreRow::fromMap({ { "a", "1" } });
    EXPECT_FALSE(row.hasKey("b"));
    EXPECT_EQ(row.text("b"), "");
    EXPECT_EQ(row.intValue("b"), 0);
    EXPECT_EQ(row.floatValue("b"), 0.0f);
    ScoreRow empty;
    EXPECT_EQ(empty.text("a"), "");
    EXPECT_EQ(empty.intValue("a"), 0);
    EXPECT_EQ(empty.count(), 0u);
    EXPECT_TRUE(empty.toMap().empty());
}

TEST(ScoreRowTest, EditMakesAChangedCopyAndLeavesEveryOtherRowAlone)
{
    TempFolder folder;
    auto rows = *score::CSVParser::parseCSVIntoArrayOfDictionariesFromFile(
        folder.write("s.csv", "channel,tempo (40)\r41,100\r41,90\r"), ",", "\"");
    ScoreRow original = rows[0];
    ScoreRow edited = original.withIntValue("tempo (40)", 101);
    EXPECT_EQ(edited.text("tempo (40)"), "101");
    EXPECT_EQ(edited.text("channel"), "41");
    EXPECT_EQ(original.text("tempo (40)"), "100");
    EXPECT_EQ(rows[0].text("tempo (40)"), "100");
    EXPECT_EQ(rows[1].text("tempo (40)"), "90");
    // Rows of one file share their header; an edit of an existing column keeps it.
    EXPECT_EQ(rows[0].header(), rows[1].header());
    EXPECT_EQ(edited.header(), original.header());

    ScoreRow added = original.withValue("new", "n");
    EXPECT_EQ(added.toMap(), (Map { { "channel", "41" }, { "tempo (40)", "100" }, { "new", "n" } }));
    EXPECT_FALSE(original.hasKey("new"));
    EXPECT_EQ(ScoreRow().withValue("a", "1").toMap(), (Map { { "a", "1" } }));
}

TEST(ScoreRowTest, MapRoundTripAndEqualityAsMaps)
{
    Map values { { "Bar No(40)", "3" }, { "Content", "do re mi" }, { "empty", "" } };
    auto row = ScoreRow::fromMap(values);
    EXPECT_EQ(row.toMap(), values);
    EXPECT_EQ(row, ScoreRow::fromMap(values));
    EXPECT_FALSE(row == row.withValue("empty", "x"));
    EXPECT_FALSE(row == ScoreRow::fromMap({ { "Bar No(40)", "3" }, { "Content", "do re mi" } }));
    EXPECT_EQ(row.keys(), (std::vector<std::string> { "Bar No(40)", "Content", "empty" }));
}

TEST(ScoreRowTest, FromMapsSharesHeadersOnlyBetweenMapsWithTheSameKeys)
{
    auto rows = ScoreRow::fromMaps({ { { "a", "1" }, { "b", "2" } }, { { "a", "3" }, { "b", "4" } }, { { "a", "5" } } });
    ASSERT_EQ(rows.size(), 3u);
    EXPECT_EQ(rows[0].header(), rows[1].header());
    EXPECT_NE(rows[1].header(), rows[2].header());
    EXPECT_EQ(rows[1].toMap(), (Map { { "a", "3" }, { "b", "4" } }));
    EXPECT_EQ(rows[2].toMap(), (Map { { "a", "5" } }));
}

TEST(ScoreRowTest, RowsOutliveTheListTheyWereReadInto)
{
    TempFolder folder;
    ScoreRow kept;
    {
        auto rows = *score::CSVParser::parseCSVIntoArrayOfDictionariesFromFile(
            folder.write("s.csv", "a\rfirst\rsecond\r"), ",", "\"");
        kept = rows[1];
    }
    EXPECT_EQ(kept.text("a"), "second");
}

// The player's own column names are found by address, any other spelling by text: both give the
// same field, a name standing twice reads its later field, and a missing name reads none.
TEST(ScoreRowTest, ColumnNamesFindTheSameFieldByConstantOrByCopy)
{
    auto header = score::ScoreHeader::create({ "Content", "tempo (40)", "x", "channel", "tempo (40)" });
    std::string tempo(score::column::tempo);
    EXPECT_EQ(header->indexOf(score::column::tempo), 4u);
    EXPECT_EQ(header->indexOf(tempo), 4u);
    EXPECT_EQ(header->indexOf(score::column::channel), 3u);
    EXPECT_EQ(header->indexOf(std::string("channel")), 3u);
    EXPECT_EQ(header->indexOf(score::column::content), 0u);
    EXPECT_EQ(header->indexOf(score::column::zLevel), score::ScoreHeader::npos);
    EXPECT_EQ(header->indexOf("Z-level"), score::ScoreHeader::npos);
    EXPECT_EQ(header->indexOf("x"), 2u);
    // A prefix of a constant's text at the same address is another name.
    EXPECT_EQ(header->indexOf(score::column::tempo.substr(0, 5)), score::ScoreHeader::npos);

    auto row = ScoreRow::fromMap({ { "channel", "41" }, { "tempo (40)", "96" } });
    EXPECT_EQ(row.intValue(score::column::tempo), 96);
    EXPECT_EQ(row.text(score::column::channel), "41");
    EXPECT_EQ(row.text(score::column::zLevel), "");
}
