#pragma once
#include <string>
#include <vector>

namespace app {

// Where a script command acts: a view by accessibility identifier, by tag (searched from the front
// screen's root view), a row of the front table, or a point in window coordinates.
struct ScriptTarget {
    enum class Kind { Identifier, Tag, Row, Point };
    Kind kind = Kind::Point;
    std::string identifier;
    int number = 0;
    double x = 0;
    double y = 0;

    std::string description() const;
};

struct ScriptCommand {
    enum class Kind { Tap, Press, Select, Slide, Type, Key, Wait, Idle, Screenshot, Dump };
    Kind kind = Kind::Tap;
    int line = 0;
    ScriptTarget target;
    double number = 0;  // press, slide, wait, idle
    int index = 0;      // select
    std::string text;   // type: the text; key: the key name; screenshot, dump: the file
};

// One command a line; '#' at the start of a word starts a comment. Everything is checked before
// anything runs, so a typo on the last line does not leave a half-played script behind.
struct Script {
    std::vector<ScriptCommand> commands;

    // Empty string on success, else "line N: message".
    std::string parse(const std::string& text);
};

}
