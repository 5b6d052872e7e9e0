#pragma once
#include "platform/core/FileManager.h"
#include "platform/core/Paths.h"
#include "platform/core/TemporaryFolder.h"

#include <cstdlib>
#include <gtest/gtest.h>
#include <string>

// A fresh home folder with an empty Documents folder, made the app's home for one test.
class TempHome {
public:
    TempHome()
    {
        auto folder = core::TemporaryFolder::create("library", core::TemporaryFolder::Home::Use);
        EXPECT_TRUE(folder.ok());
        if (folder) {
            m_folder = *folder;
            m_home = m_folder->path();
        }
        core::files::createDirectoryAtPath(documents(), false);
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
    std::shared_ptr<core::TemporaryFolder> m_folder;
    std::string m_home;
};
