#pragma once
#include "platform/core/Error.h"

#include <ctime>
#include <optional>
#include <string>
#include <vector>

namespace core {

// The file operations the app needs, each failing with an Error in domain "NSCocoaErrorDomain"
// whose description names the path and the system's reason.
namespace files {

bool fileExistsAtPath(const std::string& path, bool* isDirectory = nullptr);
// Does not follow a final symbolic link.
bool isSymbolicLink(const std::string& path);
Result<std::vector<std::string>> contentsOfDirectoryAtPath(const std::string& path);
// Removes a file, a link (not what it points to) or a folder with everything in it. Refuses
// (without touching anything) a path that is not strictly inside the app's home folder nor inside
// a folder a core::TemporaryFolder of this process made: no slip of ours can remove a user's
// data or the home itself.
Result<void> removeItemAtPath(const std::string& path);
// Whether removeItemAtPath would accept the path.
bool isRemovable(const std::string& path);
// Kept by core::TemporaryFolder: the canonical paths of the folders it made and still owns.
void registerTemporaryFolder(const std::string& canonicalPath);
void forgetTemporaryFolder(const std::string& canonicalPath);
Result<void> createDirectoryAtPath(const std::string& path, bool withIntermediateDirectories);
Result<void> moveItemAtPath(const std::string& from, const std::string& to);
std::optional<std::string> contentsAtPath(const std::string& path);
Result<void> writeContentsAtPath(const std::string& path, const std::string& bytes);
// Sets the modification (and access) time, in seconds since 1970, of a file, folder or link.
Result<void> setModificationDate(const std::string& path, double secondsSince1970);
std::optional<double> modificationDate(const std::string& path);

Error errorFromErrno(int err, const std::string& operation, const std::string& path);

}

}
