#pragma once
#include "platform/core/Error.h"

#include <memory>
#include <string>

namespace core {

// A fresh folder under $TMPDIR (else /tmp) that this process made, removed with everything in it
// when the last reference goes, unless kept. While it exists, removals inside it are allowed
// (see files::removeItemAtPath); nothing else outside the app's home is ever removed.
class TemporaryFolder {
public:
    enum class Home { Keep, Use };
    // prefix names the folder ("beatstrip-<prefix>-XXXXXX"). With Home::Use the folder becomes the
    // app's home (settings store reopened there) until this object goes, when the previous home
    // override and a fresh store come back.
    static Result<std::shared_ptr<TemporaryFolder>> create(const std::string& prefix, Home home = Home::Keep);
    ~TemporaryFolder();
    TemporaryFolder(const TemporaryFolder&) = delete;
    TemporaryFolder& operator=(const TemporaryFolder&) = delete;

    const std::string& path() const { return m_path; }
    // Leave the folder on disk at the end (a --keep-home run).
    void keep() { m_keep = true; }

private:
    TemporaryFolder(std::string path, std::string canonical);

    std::string m_path;
    std::string m_canonical;
    bool m_keep = false;
    bool m_usedAsHome = false;
    std::string m_previousHome;
};

}
