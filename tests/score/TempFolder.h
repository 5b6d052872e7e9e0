#pragma once
#include "platform/core/FileManager.h"
#include "platform/core/Paths.h"

#include <cstdlib>
#include <gtest/gtest.h>
#include <string>

// A fresh folder under /tmp for one test, removed with everything in it afterwards.
class TempFolder {
public:
    TempFolder()
    {
        char pattern[] = "/tmp/beatstrip-score-XXXXXX";
        const char* made = mkdtemp(pattern);
        EXPECT_NE(made, nullptr);
        m_path = made ? made : "";
    }
    ~TempFolder()
    {
        if (!m_path.empty())
            core::files::removeItemAtPath(m_path);
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
    std::string m_path;
};
