#include "platform/http/OutputStream.h"

#include "platform/core/FileManager.h"
#include "platform/core/TemporaryFolder.h"
#include "platform/http/URLError.h"

#include <cerrno>
#include <gtest/gtest.h>
#include <stdlib.h>
#include <string>

using http::OutputStream;

namespace {

class OutputStreamTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        auto folder = core::TemporaryFolder::create("stream");
        ASSERT_TRUE(folder.ok());
        m_folder = *folder;
        m_dir = m_folder->path();
    }
    void TearDown() override { m_folder.reset(); }
    std::shared_ptr<core::TemporaryFolder> m_folder;

    long writeText(OutputStream& stream, const std::string& text)
    {
        return stream.write(reinterpret_cast<const uint8_t*>(text.data()), text.size());
    }

    std::string m_dir;
};

TEST_F(OutputStreamTest, FileIsCreatedOrTruncatedOnlyWhenOpened)
{
    std::string path = m_dir + "/out.bin";
    ASSERT_TRUE(core::files::writeContentsAtPath(path, "old contents that are longer").ok());

    auto stream = OutputStream::outputStreamToFileAtPath(path, false);
    EXPECT_EQ(core::files::contentsAtPath(path), "old contents that are longer");
    EXPECT_FALSE(stream->hasSpaceAvailable());
    EXPECT_EQ(writeText(*stream, "x"), -1);

    stream->open();
    EXPECT_EQ(stream->streamStatus(), OutputStream::Status::Open);
    EXPECT_EQ(core::files::contentsAtPath(path), "");
    EXPECT_EQ(writeText(*stream, "new"), 3);
    EXPECT_EQ(writeText(*stream, "er"), 2);
    stream->close();
    EXPECT_EQ(core::files::contentsAtPath(path), "newer");
    EXPECT_FALSE(stream->dataWrittenToMemory());
    EXPECT_EQ(writeText(*stream, "late"), -1);
}

TEST_F(OutputStreamTest, AppendKeepsWhatTheFileHeld)
{
    std::string path = m_dir + "/log.txt";
    ASSERT_TRUE(core::files::writeContentsAtPath(path, "one,").ok());
    auto stream = OutputStream::outputStreamToFileAtPath(path, true);
    stream->open();
    writeText(*stream, "two");
    stream->close();
    EXPECT_EQ(core::files::contentsAtPath(path), "one,two");
}

TEST_F(OutputStreamTest, MissingFolderIsAStreamError)
{
    auto stream = OutputStream::outputStreamToFileAtPath(m_dir + "/no/such/folder/out.bin", false);
    stream->open();
    EXPECT_EQ(stream->streamStatus(), OutputStream::Status::Error);
    EXPECT_FALSE(stream->hasSpaceAvailable());
    ASSERT_TRUE(stream->streamError());
    EXPECT_EQ(stream->streamError()->domain, http::POSIXErrorDomain);
    EXPECT_EQ(stream->streamError()->code, ENOENT);
    EXPECT_EQ(writeText(*stream, "x"), -1);
}

TEST_F(OutputStreamTest, MemoryStreamsKeepTheBytesAndABufferStopsWhenFull)
{
    auto memory = OutputStream::outputStreamToMemory();
    memory->open();
    std::string binary("a\0b", 3);
    EXPECT_EQ(writeText(*memory, binary), 3);
    EXPECT_EQ(writeText(*memory, "cd"), 2);
    memory->close();
    EXPECT_EQ(memory->dataWrittenToMemory(), binary + "cd");

    auto buffer = OutputStream::outputStreamToBuffer(5);
    buffer->open();
    EXPECT_EQ(writeText(*buffer, "abc"), 3);
    EXPECT_EQ(writeText(*buffer, "defg"), 2);
    EXPECT_TRUE(buffer->hasSpaceAvailable());
    EXPECT_EQ(writeText(*buffer, "h"), 0);
    EXPECT_EQ(buffer->dataWrittenToMemory(), "abcde");
}

}
