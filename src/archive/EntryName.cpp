#include "archive/EntryName.h"

#include "platform/core/Log.h"

namespace archive {

// Strict UTF-8: no overlong forms, no surrogates, nothing above U+10FFFF, and no NUL (a name
// with a NUL in it would be cut short by every file call).
bool EntryName::isValidUtf8(const std::string& text)
{
    size_t i = 0;
    const size_t n = text.size();
    while (i < n) {
        unsigned char c = static_cast<unsigned char>(text[i]);
        if (c == 0)
            return false;
        if (c < 0x80) {
            ++i;
            continue;
        }
        size_t len;
        uint32_t cp;
        if ((c & 0xE0) == 0xC0) {
            len = 2;
            cp = c & 0x1F;
        } else if ((c & 0xF0) == 0xE0) {
            len = 3;
            cp = c & 0x0F;
        } else if ((c & 0xF8) == 0xF0) {
            len = 4;
            cp = c & 0x07;
        } else {
            return false;
        }
        if (i + len > n)
            return false;
        for (size_t k = 1; k < len; ++k) {
            unsigned char cc = static_cast<unsigned char>(text[i + k]);
            if ((cc & 0xC0) != 0x80)
                return false;
            cp = (cp << 6) | (cc & 0x3F);
        }
        if ((len == 2 && cp < 0x80) || (len == 3 && cp < 0x800) || (len == 4 && cp < 0x10000))
            return false;
        if (cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF))
            return false;
        i += len;
    }
    return true;
}

// A name fit for a log line: control bytes and, in text that is not UTF-8, every byte above
// ASCII are written as \xHH.
std::string EntryName::printable(const std::string& text)
{
    const bool utf8 = isValidUtf8(text);
    std::string out;
    for (unsigned char c : text) {
        if (c < 0x20 || c == 0x7F || (!utf8 && c >= 0x80))
            out += core::format("\\x%02X", c);
        else
            out += static_cast<char>(c);
    }
    return out;
}

std::vector<std::string> EntryName::components(const std::string& path)
{
    std::vector<std::string> parts;
    size_t start = 0;
    while (start <= path.size()) {
        size_t end = path.find('/', start);
        if (end == std::string::npos)
            end = path.size();
        parts.push_back(path.substr(start, end - start));
        start = end + 1;
    }
    return parts;
}

// Why an entry name may not be extracted, or nothing when it is safe. `name` has its
// backslashes already turned into slashes; `parts` receives its real components.
std::optional<std::string> EntryName::unsafeReason(const std::string& raw, const std::string& name, std::vector<std::string>& parts)
{
    if (raw.empty())
        return "the name is empty";
    if (!isValidUtf8(raw))
        return "the name is not valid UTF-8";
    if (name[0] == '/')
        return "the name is absolute";
    if (name.size() >= 2 && name[1] == ':' && ((name[0] >= 'A' && name[0] <= 'Z') || (name[0] >= 'a' && name[0] <= 'z')))
        return "the name starts with a drive letter";
    parts.clear();
    for (auto& part : components(name)) {
        if (part == "..")
            return "the name leaves the destination";
        if (part.empty() || part == ".")
            continue;
        parts.push_back(part);
    }
    if (parts.empty())
        return "the name names no file";
    return std::nullopt;
}

// A relative link target is confined when it climbs with leading ".." no higher than the
// link's own folder depth and then only descends. Every link made this way lands inside the
// destination, however links made by other entries are chained, because ".." is only ever
// taken through real folders.
bool EntryName::linkTargetStaysInside(const std::string& target, size_t folderDepth)
{
    if (target.empty() || target[0] == '/' || !isValidUtf8(target))
        return false;
    size_t climbs = 0;
    bool descending = false;
    for (auto& part : components(target)) {
        if (part.empty() || part == ".")
            continue;
        if (part == "..") {
            if (descending)
                return false;
            ++climbs;
        } else {
            descending = true;
        }
    }
    return climbs <= folderDepth;
}

}
