#include "app/Script.h"

#include "platform/core/Log.h"
#include "platform/ui/Event.h"

#include <cerrno>
#include <climits>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <cstdlib>
#include <map>
#include <sstream>

namespace app {

namespace {

const std::map<std::string, ScriptCommand::Kind>& commandNames()
{
    static const std::map<std::string, ScriptCommand::Kind> names {
        { "tap", ScriptCommand::Kind::Tap },
        { "press", ScriptCommand::Kind::Press },
        { "select", ScriptCommand::Kind::Select },
        { "slide", ScriptCommand::Kind::Slide },
        { "type", ScriptCommand::Kind::Type },
        { "key", ScriptCommand::Kind::Key },
        { "wait", ScriptCommand::Kind::Wait },
        { "idle", ScriptCommand::Kind::Idle },
        { "screenshot", ScriptCommand::Kind::Screenshot },
        { "dump", ScriptCommand::Kind::Dump },
    };
    return names;
}

// Eleven and a half days: far beyond any script's need.
constexpr double kMaxSeconds = 1e6;

bool isSpace(char c)
{
    return c == ' ' || c == '\t' || c == '\r';
}

// At most 200 characters of a script's text in an error message, so a huge line cannot flood it.
std::string excerpt(const std::string& text)
{
    constexpr size_t kLongest = 200;
    return text.size() <= kLongest ? text : text.substr(0, kLongest) + "...";
}

// Words of a line with their start offsets, stopping at a comment.
struct Word {
    std::string text;
    size_t offset;
};

std::vector<Word> splitWords(const std::string& line)
{
    std::vector<Word> words;
    size_t i = 0;
    while (i < line.size()) {
        while (i < line.size() && isSpace(line[i]))
            i++;
        if (i >= line.size() || line[i] == '#')
            break;
        size_t start = i;
        while (i < line.size() && !isSpace(line[i]))
            i++;
        words.push_back({ line.substr(start, i - start), start });
    }
    return words;
}

bool parseNumber(const std::string& text, double& out)
{
    if (text.empty())
        return false;
    char* end = nullptr;
    errno = 0;
    double value = strtod(text.c_str(), &end);
    if (errno != 0 || *end != '\0' || !std::isfinite(value))
        return false;
    out = value;
    return true;
}

bool parseInteger(const std::string& text, int& out)
{
    if (text.empty())
        return false;
    char* end = nullptr;
    errno = 0;
    long value = strtol(text.c_str(), &end, 10);
    if (errno != 0 || *end != '\0' || value < INT32_MIN || value > INT32_MAX)
        return false;
    out = static_cast<int>(value);
    return true;
}

class LineParser {
public:
    LineParser(std::vector<Word> words, const std::string& line)
        : m_words(std::move(words))
        , m_line(line)
    {
    }

    std::string error;

    bool atEnd() const { return m_next >= m_words.size(); }

    bool word(const char* what, std::string& out)
    {
        if (atEnd())
            return fail(std::string("missing ") + what);
        out = m_words[m_next++].text;
        return true;
    }

    bool number(const char* what, double& out)
    {
        std::string text;
        if (!word(what, text))
            return false;
        if (!parseNumber(text, out))
            return fail(core::format("bad number '%s' for %s", excerpt(text).c_str(), what));
        return true;
    }

    // Clock time to advance. Bounded: past that the clock's seconds lose the precision a
    // timer's interval needs (a repeating timer would fire at the same instant forever), and
    // `idle`'s real-time deadline would overflow.
    bool duration(const char* what, double& out)
    {
        if (!number(what, out))
            return false;
        if (out < 0)
            return fail(core::format("%s must not be negative", what));
        if (out > kMaxSeconds)
            return fail(core::format("%s must be at most %g", what, kMaxSeconds));
        return true;
    }

    bool integer(const char* what, int& out)
    {
        std::string text;
        if (!word(what, text))
            return false;
        if (!parseInteger(text, out))
            return fail(core::format("bad number '%s' for %s", excerpt(text).c_str(), what));
        return true;
    }

    bool target(ScriptTarget& out)
    {
        std::string first;
        if (!word("target", first))
            return false;
        auto prefixed = [&](const char* prefix, std::string& rest) {
            size_t n = strlen(prefix);
            if (first.compare(0, n, prefix) != 0)
                return false;
            rest = first.substr(n);
            return true;
        };
        std::string rest;
        if (prefixed("id:", rest)) {
            if (rest.empty())
                return fail("id: needs a name");
            out.kind = ScriptTarget::Kind::Identifier;
            out.identifier = rest;
            return true;
        }
        if (prefixed("tag:", rest) || prefixed("row:", rest)) {
            bool isTag = first[0] == 't';
            if (!parseInteger(rest, out.number))
                return fail(core::format("bad number '%s' in %s", excerpt(rest).c_str(), excerpt(first).c_str()));
            if (!isTag && out.number < 0)
                return fail("row must not be negative");
            out.kind = isTag ? ScriptTarget::Kind::Tag : ScriptTarget::Kind::Row;
            return true;
        }
        double x = 0, y = 0;
        if (!parseNumber(first, x))
            return fail(core::format("bad target '%s' (expected id:NAME, tag:N, row:N or X Y)", excerpt(first).c_str()));
        if (!number("y coordinate", y))
            return false;
        out.kind = ScriptTarget::Kind::Point;
        out.x = x;
        out.y = y;
        return true;
    }

    // The rest of the line after the words read so far, comments included: typed text is literal.
    bool restOfLine(const char* what, std::string& out)
    {
        if (atEnd())
            return fail(std::string("missing ") + what);
        out = m_line.substr(m_words[m_next].offset);
        while (!out.empty() && isSpace(out.back()))
            out.pop_back();
        m_next = m_words.size();
        return true;
    }

    bool finish()
    {
        if (!atEnd())
            return fail(core::format("unexpected '%s'", excerpt(m_words[m_next].text).c_str()));
        return true;
    }

    bool fail(std::string message)
    {
        error = std::move(message);
        return false;
    }

private:
    std::vector<Word> m_words;
    const std::string& m_line;
    size_t m_next = 1;
};

}

std::string ScriptTarget::description() const
{
    switch (kind) {
    case Kind::Identifier:
        return "id:" + identifier;
    case Kind::Tag:
        return "tag:" + std::to_string(number);
    case Kind::Row:
        return "row:" + std::to_string(number);
    case Kind::Point:
        return core::format("point %g %g", x, y);
    }
    return {};
}

std::string Script::parse(const std::string& text)
{
    commands.clear();
    std::vector<ScriptCommand> parsed;
    std::istringstream in(text);
    std::string line;
    int lineNumber = 0;
    while (std::getline(in, line)) {
        lineNumber++;
        auto words = splitWords(line);
        if (words.empty())
            continue;
        auto found = commandNames().find(words[0].text);
        if (found == commandNames().end())
            return core::format("line %d: unknown command '%s'", lineNumber, excerpt(words[0].text).c_str());

        ScriptCommand command;
        command.kind = found->second;
        command.line = lineNumber;
        LineParser p(words, line);
        bool ok = false;
        switch (command.kind) {
        case ScriptCommand::Kind::Tap:
            ok = p.target(command.target) && p.finish();
            break;
        case ScriptCommand::Kind::Press:
            ok = p.target(command.target) && p.duration("seconds", command.number) && p.finish();
            break;
        case ScriptCommand::Kind::Select:
            ok = p.target(command.target) && p.integer("segment", command.index) && p.finish();
            break;
        case ScriptCommand::Kind::Slide:
            ok = p.target(command.target) && p.number("value", command.number) && p.finish();
            break;
        case ScriptCommand::Kind::Type:
            // An empty text clears the field.
            ok = p.target(command.target);
            if (ok && !p.atEnd())
                ok = p.restOfLine("text", command.text);
            break;
        case ScriptCommand::Kind::Key:
            ok = p.word("key name", command.text) && p.finish();
            if (ok && !ui::keyNamed(command.text))
                ok = p.fail(core::format("unknown key '%s'", excerpt(command.text).c_str()));
            break;
        case ScriptCommand::Kind::Wait:
        case ScriptCommand::Kind::Idle:
            ok = p.duration("seconds", command.number) && p.finish();
            break;
        case ScriptCommand::Kind::Screenshot:
        case ScriptCommand::Kind::Dump:
            ok = p.word("file", command.text) && p.finish();
            break;
        }
        if (!ok)
            return core::format("line %d: %s", lineNumber, p.error.c_str());
        parsed.push_back(std::move(command));
    }
    commands = std::move(parsed);
    return {};
}

}
