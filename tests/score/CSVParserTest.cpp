#include "score/CSVParser.h"

#include "TempFolder.h"

#include <gtest/gtest.h>
#include <random>

using score::CSVParser;
using Records = std::vector<std::vector<std::string>>;

namespace {

class CSVParserTest : public testing::Test {
protected:
    std::optional<std::vector<score::ScoreRow>> keyed(const std::string& bytes, std::string_view separators = ",",
        std::optional<std::string_view> quote = "\"")
    {
        return CSVParser::parseCSVIntoArrayOfDictionariesFromFile(folder.write("song.csv", bytes), separators, quote);
    }

    std::optional<Records> plain(const std::string& bytes, std::string_view separators = ",",
        std::optional<std::string_view> quote = "\"")
    {
        return CSVParser::parseCSVIntoArrayOfArraysFromFile(folder.write("song.csv", bytes), separators, quote);
    }

    TempFolder folder;
};

using Map = std::map<std::string, std::string>;

std::vector<Map> maps(const std::vector<score::ScoreRow>& rows)
{
    std::vector<Map> result;
    for (const auto& row : rows)
        result.push_back(row.toMap());
    return result;
}

}

TEST_F(CSVParserTest, OnlyCarriageReturnEndsALine)
{
    EXPECT_EQ(maps(*keyed("a,b\r1,2")), (std::vector<Map> { { { "a", "1" }, { "b", "2" } } }));
    // The line feed of CR LF starts the next line and is trimmed away.
    EXPECT_EQ(maps(*keyed("a,b\r\n1,2\r\n")), (std::vector<Map> { { { "a", "1" }, { "b", "2" } } }));

    // Line feeds alone join the whole file into one line: no records, one plain record.
    EXPECT_TRUE(keyed("a,b\n1,2\n")->empty());
    EXPECT_EQ(*plain("a,b\n1,2"), (Records { { "a", "b\n1", "2" } }));
}

TEST_F(CSVParserTest, PlainFormKeepsEveryLineIncludingEmptyOnes)
{
    EXPECT_EQ(*plain("a,b\r\r1,2\r"), (Records { { "a", "b" }, { "" }, { "1", "2" }, { "" } }));
    EXPECT_EQ(*plain(""), (Records { { "" } }));
}

TEST_F(CSVParserTest, HeaderOnlyOrEmptyFileGivesAnEmptyListNotNone)
{
    auto headerOnly = keyed("channel,Bar No(40)");
    ASSERT_TRUE(headerOnly.has_value());
    EXPECT_TRUE(headerOnly->empty());
    ASSERT_TRUE(keyed("channel,Bar No(40)\r").has_value());
    EXPECT_TRUE(keyed("channel,Bar No(40)\r")->empty());
    ASSERT_TRUE(keyed("").has_value());
    EXPECT_TRUE(keyed("")->empty());
}

TEST_F(CSVParserTest, MissingDirectoryOrNonUTF8FileGivesNone)
{
    EXPECT_FALSE(CSVParser::parseCSVIntoArrayOfDictionariesFromFile(folder.path() + "/missing.csv", ",", "\""));
    EXPECT_FALSE(CSVParser::parseCSVIntoArrayOfArraysFromFile(folder.path() + "/missing.csv", ",", "\""));
    EXPECT_FALSE(CSVParser::parseCSVIntoArrayOfDictionariesFromFile(folder.path(), ",", "\""));
    EXPECT_FALSE(keyed("a,b\r1,\xff\r"));
    EXPECT_FALSE(plain("a,b\r1,\xc3"));           // truncated sequence at the very end
    EXPECT_FALSE(keyed("a\r\xc0\xaf\r"));          // overlong "/"
    EXPECT_FALSE(keyed("a\r\xed\xa0\x80\r"));      // surrogate
    // Valid multibyte text passes and stays intact.
    EXPECT_EQ(maps(*keyed("Content\r\xc3\xa9t\xc3\xa9 \xe2\x99\xaf\r")), (std::vector<Map> { { { "Content", "\xc3\xa9t\xc3\xa9 \xe2\x99\xaf" } } }));
}

TEST_F(CSVParserTest, InvalidUTF8DeepInALargeFileStillGivesNone)
{
    // Past the reader's chunk size, so the fault sits in a later chunk than the header.
    std::string bytes = "a,b\r";
    while (bytes.size() < 3 * 1024 * 1024)
        bytes += "12345,67890\r";
    bytes += "1,\xfe\r";
    EXPECT_FALSE(keyed(bytes));
}

TEST_F(CSVParserTest, LinesSpanningChunkBoundariesAreWhole)
{
    std::string bytes = "n,text\r";
    std::string longText(700 * 1024, 'x');
    for (int i = 0; i < 6; ++i)
        bytes += std::to_string(i) + ",\xc3\xa9" + longText + "\r";
    auto rows = keyed(bytes);
    ASSERT_TRUE(rows);
    ASSERT_EQ(rows->size(), 6u);
    for (int i = 0; i < 6; ++i) {
        EXPECT_EQ((*rows)[i].intValue("n"), i);
        EXPECT_EQ((*rows)[i].text("text"), "\xc3\xa9" + longText);
    }
}

TEST_F(CSVParserTest, QuotesAreOnlyStrippedAtTheEnds)
{
    EXPECT_EQ(*plain("\"a,b\""), (Records { { "a", "b" } }));
    EXPECT_EQ(*plain("\"say \"hi\"\"  ,\" \"\" \""), (Records { { "say \"hi", "" } }));
    // Without a quote string, quote marks are ordinary text.
    EXPECT_EQ(*plain("\"a\", b ", ",", std::nullopt), (Records { { "\"a\"", "b" } }));
}

TEST_F(CSVParserTest, TrimsSpacesAtTheEndsButNotInsideOrTabs)
{
    auto rows = keyed("  tempo (40) ,x\r  7 ,\tq\t\r");
    ASSERT_EQ(rows->size(), 1u);
    EXPECT_EQ((*rows)[0].text("tempo (40)"), "7");
    EXPECT_EQ((*rows)[0].text("x"), "\tq\t");
}

TEST_F(CSVParserTest, EverySeparatorCharacterSeparatesAndEmptyOneSplitsNothing)
{
    EXPECT_EQ(*plain("a;b,c;;", ",;"), (Records { { "a", "b", "c", "", "" } }));
    EXPECT_EQ(*plain(",a,", ","), (Records { { "", "a", "" } }));
    EXPECT_EQ(*plain("a,b;c\rd", ""), (Records { { "a,b;c" }, { "d" } }));
    // A separator outside ASCII is one character, not its bytes.
    EXPECT_EQ(*plain("a\xc2\xa7" "b\xc2\xa7" "c", "\xc2\xa7"), (Records { { "a", "b", "c" } }));
}

TEST_F(CSVParserTest, RaggedRecordsHoldEveryHeaderKey)
{
    auto rows = keyed("a,b,c\r1\r1,2,3,4\r");
    ASSERT_EQ(rows->size(), 2u);
    EXPECT_EQ((*rows)[0].toMap(), (Map { { "a", "1" }, { "b", "" }, { "c", "" } }));
    EXPECT_EQ((*rows)[1].toMap(), (Map { { "a", "1" }, { "b", "2" }, { "c", "3" } }));
}

TEST_F(CSVParserTest, LinesEmptyAfterTrimmingAreSkipped)
{
    auto rows = keyed("a,b\r1,2\r\r \n \"\r3,4\r\n");
    EXPECT_EQ(maps(*rows), (std::vector<Map> { { { "a", "1" }, { "b", "2" } }, { { "a", "3" }, { "b", "4" } } }));
    // A line of empty fields is a record, not an empty line.
    EXPECT_EQ(keyed("a,b\r,\r")->size(), 1u);
}

TEST_F(CSVParserTest, DuplicatedHeaderKeepsTheLaterField)
{
    auto rows = keyed("a,b,a\r1,2,3\r");
    ASSERT_EQ(rows->size(), 1u);
    EXPECT_EQ((*rows)[0].toMap(), (Map { { "a", "3" }, { "b", "2" } }));
}

TEST_F(CSVParserTest, ByteOrderMarkIsDropped)
{
    auto rows = keyed("\xEF\xBB\xBF" "channel,x\r41,2\r");
    ASSERT_EQ(rows->size(), 1u);
    EXPECT_EQ((*rows)[0].text("channel"), "41");
    EXPECT_EQ(*plain("\xEF\xBB\xBF"), (Records { { "" } }));
    // Only at the start of the file.
    EXPECT_EQ(*plain("a\r\xEF\xBB\xBF" "b"), (Records { { "a" }, { "\xEF\xBB\xBF" "b" } }));
}

TEST(CSVParserTrimTest, TrimComponentsStripsAnyRunOfTrimCharactersAtBothEnds)
{
    EXPECT_EQ(CSVParser::trimComponents({ "\"\" a b \"\n", "x", "  ", "" }, "\"\n "), (std::vector<std::string> { "a b", "x", "", "" }));
    EXPECT_EQ(CSVParser::trimComponents({ "xyaxby" }, "xy"), (std::vector<std::string> { "axb" }));
    EXPECT_EQ(CSVParser::trimComponents({ "\xc2\xab" "a\xc2\xbb" }, "\xc2\xab\xc2\xbb"), (std::vector<std::string> { "a" }));
    // A trim character that is a different character's trailing bytes must not cut into it.
    EXPECT_EQ(CSVParser::trimComponents({ "a\xc3\xa9" }, "\xa9"), (std::vector<std::string> { "a\xc3\xa9" }));
    EXPECT_EQ(CSVParser::trimComponents({ " a " }, ""), (std::vector<std::string> { " a " }));
}

TEST_F(CSVParserTest, LargeRandomFileReadsAsAWholeFileSplitWould)
{
    // Lines of every length around the reader's chunk size, so breaks, multibyte characters and
    // trim runs land on chunk boundaries; checked against splitting the whole text at once.
    std::mt19937 random(7);
    const std::vector<std::string> pieces { "a", "41", " ", "\"", ",", ",", "\r", "\r", "\n", "\xc3\xa9", "\xe2\x99\xaf", "\t", "x y" };
    std::string text;
    while (text.size() < 3 * 1024 * 1024 + 17) {
        size_t run = random() % 3 == 0 ? random() % 200000 : random() % 40;
        for (size_t i = 0; i < run; ++i)
            text += pieces[random() % pieces.size()];
    }
    Records expected;
    size_t lineStart = 0;
    while (true) {
        size_t lineEnd = text.find('\r', lineStart);
        std::string line = text.substr(lineStart, lineEnd == std::string::npos ? std::string::npos : lineEnd - lineStart);
        std::vector<std::string> fields;
        size_t fieldStart = 0;
        while (true) {
            size_t comma = line.find(',', fieldStart);
            fields.push_back(line.substr(fieldStart, comma == std::string::npos ? std::string::npos : comma - fieldStart));
            if (comma == std::string::npos)
                break;
            fieldStart = comma + 1;
        }
        expected.push_back(CSVParser::trimComponents(fields, "\"\n\r "));
        if (lineEnd == std::string::npos)
            break;
        lineStart = lineEnd + 1;
    }
    auto records = plain(text);
    ASSERT_TRUE(records);
    ASSERT_EQ(records->size(), expected.size());
    for (size_t i = 0; i < expected.size(); ++i)
        ASSERT_EQ((*records)[i], expected[i]) << "line " << i;
}

TEST_F(CSVParserTest, AMillionColumnHeaderOverShortLinesIsRefusedNotBlownUp)
{
    // Filling the missing fields would take 4 bytes per column per line: gigabytes from a few MB.
    std::string header(1000000, ',');
    std::string bytes = header + "\r";
    for (int i = 0; i < 50; ++i)
        bytes += "1\r";
    EXPECT_FALSE(keyed(bytes).has_value());

    // Lines of only separators under that header fill it, so they cost no more than their bytes.
    std::string full = header + "\r" + header + "\r" + header;
    auto rows = keyed(full);
    ASSERT_TRUE(rows.has_value());
    EXPECT_EQ(rows->size(), 2u);
    // A few short rows under a wide header are still read and padded.
    auto ragged = keyed("a," + std::string(5000, ',') + "b\r1\r2\r");
    ASSERT_TRUE(ragged.has_value());
    ASSERT_EQ(ragged->size(), 2u);
    EXPECT_EQ((*ragged)[1].text("a"), "2");
    EXPECT_EQ((*ragged)[1].text("b"), "");
}

// A one-byte separator is found sixteen bytes at a time; a set of several separators byte by
// byte. With the second member absent from the text both must split every line alike, wherever
// the commas fall against the sixteen-byte blocks.
TEST_F(CSVParserTest, AOneByteSeparatorSplitsAsTheGeneralWayDoes)
{
    std::mt19937 random(7);
    const std::string pieces[] = { "", "a", "12", " 3 ", "\"q\"", "long field of text", "Göt-", "\xe2\x99\xaf", "0.5", "  " };
    std::string text = "h1,h2,h3\r";
    for (int line = 0; line < 400; ++line) {
        int fields = int(random() % 40);
        for (int f = 0; f < fields; ++f) {
            if (f)
                text += ',';
            text += pieces[random() % std::size(pieces)];
        }
        text += '\r';
    }
    auto fast = plain(text, ",");
    auto general = plain(text, ",\xc2\xa7");
    ASSERT_TRUE(fast && general);
    ASSERT_GT(fast->size(), 400u);
    EXPECT_EQ(*fast, *general);
    EXPECT_EQ((*fast)[0], (std::vector<std::string> { "h1", "h2", "h3" }));
}
