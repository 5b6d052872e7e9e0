#pragma once
#include <cstddef>
#include <optional>
#include <string>
#include <vector>

namespace archive {

// The rules that keep an archive's entries inside the destination: which names may be
// extracted, which link targets may be made, and how a name is shown in a log line.
class EntryName {
public:
    // Strict UTF-8: no overlong forms, no surrogates, nothing above U+10FFFF, and no NUL.
    static bool isValidUtf8(const std::string& text);
    // Control bytes and, in text that is not UTF-8, every byte above ASCII as \xHH.
    static std::string printable(const std::string& text);
    // The parts between "/", empty ones included.
    static std::vector<std::string> components(const std::string& path);
    // Why an entry name may not be extracted, or nothing when it is safe. `name` has its
    // backslashes already turned into slashes; `parts` receives its real components.
    static std::optional<std::string> unsafeReason(const std::string& raw, const std::string& name, std::vector<std::string>& parts);
    // Whether a link at `folderDepth` folders below the destination may point at `target`.
    static bool linkTargetStaysInside(const std::string& target, size_t folderDepth);
};

}
