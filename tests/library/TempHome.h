#pragma once
#include "platform/core/FileManager.h"
#include "platform/core/Paths.h"

#include <cstdlib>
#include <gtest/gtest.h>
#include <string>

// A fresh home folder with an empty Documents folder, made the app's home for one test.
class TempHome {
public:
    TempHome()
    {
        char pattern[] = "/tmp/beatstrip-library-XXXXXX";
        const char* made = mkdtemp(pattern);
        EXPECT_NE(made, nullptr);
        m_home = made ? made : "";
        core::paths::setHomeOverride(m_home);
        core::files::createDirectoryAtPath(documents(), false);
    }
    ~TempHome()
    {
        core::paths::setHomeOverride("");
        if (!m_home.empty())
            core::files::removeItemAtPath(m_home);
    }
    TempHome(const TempHome&) = delete;
    TempHome& operator=(const TempHome&) = delete;

    const std::string& home() const { return m_home; }
    std::string documents() const { return m_home + "/Documents"; }
    std::string contentFolder() const { return documents() + "/data/data"; }

    // Writes info.json (and the folders above it) with the given bytes.
    void writeIndex(const std::string& bytes) const
    {
        ASSERT_TRUE(core::files::createDirectoryAtPath(contentFolder(), true).ok());
        ASSERT_TRUE(core::files::writeContentsAtPath(contentFolder() + "/info.json", bytes).ok());
    }

private:
    std::string m_home;
};
