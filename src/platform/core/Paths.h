#pragma once
#include <string>

namespace core::paths {

// Path arithmetic with the original's string semantics: "/" separates, a doubled separator counts
// once, a trailing one is dropped (except for the root), and joining onto "" gives the component.
std::string stringByAppendingPathComponent(const std::string& path, const std::string& component);
std::string stringByDeletingLastPathComponent(const std::string& path);
std::string lastPathComponent(const std::string& path);
std::string standardize(const std::string& path);

// Where BeatStrip keeps its data: --home, else $BEATSTRIP_HOME, else $XDG_DATA_HOME/beatstrip,
// else ~/.local/share/beatstrip. The documents folder is home + "Documents".
void setHomeOverride(const std::string& home);
std::string homeOverride();
std::string homeDirectory();
std::string documentsDirectory();

}
