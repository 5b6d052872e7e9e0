#pragma once
#include "platform/core/FileManager.h"
#include "platform/core/Paths.h"
#include "platform/core/TemporaryFolder.h"

#include <cstdlib>
#include <gtest/gtest.h>
#include <string>

// A fresh folder under /tmp for one test, removed with everything in it afterwards.
class TempFolder {
public:
    TempFolder()
    {
        auto folder = core::TemporaryFolder::create("score");
        EXPECT_TRUE(folder.ok());
        if (folder) {
            m_folder = *folder;
            m_path = m_folder->path();
        }
    }
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    const std::string& path() const { return m_path; }

    std::string write(const std::string& name, const std::string& bytes) const
    {
        std::string file = core::paths::stringByAppendingPathComponent(m_path, name);
        EXPECT_TRUE(core::files::writeContentsAtPath(file, bytes).ok()) << file;
        return file;
    }

private:
    std::shared_ptr<core::TemporaryFolder> m_folder;
    std::string m_path;
};
