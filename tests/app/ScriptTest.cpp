#include "app/CommandLine.h"
#include "app/Script.h"
#include "platform/ui/Event.h"

#include <gtest/gtest.h>

using app::Script;
using app::ScriptCommand;
using app::ScriptTarget;

namespace {

std::string parseError(const std::string& text)
{
    Script script;
    return script.parse(text);
}

}

TEST(ScriptTest, ReadsEveryCommandAndTargetForm)
{
    Script script;
    ASSERT_EQ(script.parse("# a tour\n"
                           "\n"
                           "tap id:play   # start\n"
                           "press tag:1205 0.75\n"
                           "select id:modeControl 2\n"
                           "slide id:opacity -0.5\n"
                           "tap row:3\n"
                           "tap 512 384.5\n"
                           "key escape\n"
                           "wait 1.5\n"
                           "idle 10\n"
                           "screenshot shots/one.png\n"
                           "dump tree.json\n"),
        "");
    ASSERT_EQ(script.commands.size(), 11u);
    const auto& c = script.commands;

    EXPECT_EQ(c[0].kind, ScriptCommand::Kind::Tap);
    EXPECT_EQ(c[0].line, 3);
    EXPECT_EQ(c[0].target.kind, ScriptTarget::Kind::Identifier);
    EXPECT_EQ(c[0].target.identifier, "play");

    EXPECT_EQ(c[1].target.kind, ScriptTarget::Kind::Tag);
    EXPECT_EQ(c[1].target.number, 1205);
    EXPECT_DOUBLE_EQ(c[1].number, 0.75);

    EXPECT_EQ(c[2].kind, ScriptCommand::Kind::Select);
    EXPECT_EQ(c[2].index, 2);
    EXPECT_DOUBLE_EQ(c[3].number, -0.5);
    EXPECT_EQ(c[4].target.kind, ScriptTarget::Kind::Row);
    EXPECT_EQ(c[4].target.number, 3);

    EXPECT_EQ(c[5].target.kind, ScriptTarget::Kind::Point);
    EXPECT_DOUBLE_EQ(c[5].target.x, 512);
    EXPECT_DOUBLE_EQ(c[5].target.y, 384.5);

    EXPECT_EQ(c[6].text, "escape");
    EXPECT_DOUBLE_EQ(c[7].number, 1.5);
    EXPECT_EQ(c[8].kind, ScriptCommand::Kind::Idle);
    EXPECT_EQ(c[9].text, "shots/one.png");
    EXPECT_EQ(c[10].kind, ScriptCommand::Kind::Dump);
    EXPECT_EQ(c[10].line, 13);
}

TEST(ScriptTest, TypedTextIsTheRestOfTheLineHashesIncluded)
{
    Script script;
    ASSERT_EQ(script.parse("type id:start_TF  12 # bars\r\ntype 100 200 two words\ntype id:end_TF\n"), "");
    ASSERT_EQ(script.commands.size(), 3u);
    EXPECT_EQ(script.commands[0].text, "12 # bars");
    EXPECT_EQ(script.commands[1].target.kind, ScriptTarget::Kind::Point);
    EXPECT_EQ(script.commands[1].text, "two words");
    // No text clears the field.
    EXPECT_EQ(script.commands[2].text, "");
}

TEST(ScriptTest, ErrorsNameTheLineAndWhatIsWrong)
{
    EXPECT_EQ(parseError("wait 1\n\nfly id:x\n"), "line 3: unknown command 'fly'");
    EXPECT_EQ(parseError("wait 1s\n"), "line 1: bad number '1s' for seconds");
    EXPECT_EQ(parseError("wait nan\n"), "line 1: bad number 'nan' for seconds");
    EXPECT_EQ(parseError("idle -2\n"), "line 1: seconds must not be negative");
    EXPECT_EQ(parseError("wait 1e300\n"), "line 1: seconds must be at most 1e+06");
    EXPECT_EQ(parseError("idle 1e10\n"), "line 1: seconds must be at most 1e+06");
    EXPECT_EQ(parseError("press id:play 1000001\n"), "line 1: seconds must be at most 1e+06");
    EXPECT_EQ(parseError("wait 1000000\n"), "");
    EXPECT_EQ(parseError("press id:play\n"), "line 1: missing seconds");
    EXPECT_EQ(parseError("select id:modeControl 1.5\n"), "line 1: bad number '1.5' for segment");
    EXPECT_EQ(parseError("tap row:-1\n"), "line 1: row must not be negative");
    EXPECT_EQ(parseError("tap tag:99999999999\n"), "line 1: bad number '99999999999' in tag:99999999999");
    EXPECT_EQ(parseError("tap id:\n"), "line 1: id: needs a name");
    EXPECT_EQ(parseError("tap play\n"), "line 1: bad target 'play' (expected id:NAME, tag:N, row:N or X Y)");
    EXPECT_EQ(parseError("tap 10\n"), "line 1: missing y coordinate");
    EXPECT_EQ(parseError("key enter\n"), "line 1: unknown key 'enter'");
    EXPECT_EQ(parseError("screenshot\n"), "line 1: missing file");
    EXPECT_EQ(parseError("dump a.json b.json\n"), "line 1: unexpected 'b.json'");
}

TEST(ScriptTest, AFailedParseKeepsNoCommands)
{
    Script script;
    EXPECT_NE(script.parse("tap id:a\nbogus\n"), "");
    EXPECT_TRUE(script.commands.empty());
}

TEST(ScriptTest, KeyTakesEveryNamedKeyAndHelpListsThem)
{
    const std::vector<std::string> names = { "p", "home", "pageup", "pagedown", "bracketleft", "bracketright", "question", "f1", "up",
        "down", "return", "space", "left", "right", "escape", "backspace", "tab" };
    std::string text;
    for (const auto& name : names)
        text += "key " + name + "\n";
    Script script;
    ASSERT_EQ(script.parse(text), "");
    ASSERT_EQ(script.commands.size(), names.size());
    std::string usage = app::CommandLine::usage();
    for (size_t i = 0; i < names.size(); ++i) {
        EXPECT_EQ(script.commands[i].text, names[i]);
        auto key = ui::keyNamed(names[i]);
        ASSERT_TRUE(key) << names[i];
        EXPECT_EQ(ui::keyName(*key), names[i]) << "names and keys map both ways";
        bool listed = usage.find(" " + names[i] + ",") != std::string::npos || usage.find(" " + names[i] + "\n") != std::string::npos;
        EXPECT_TRUE(listed) << names[i] << " in --help";
    }
    EXPECT_EQ(parseError("key P\n"), "line 1: unknown key 'P'");
}
