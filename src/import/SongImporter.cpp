#include "import/SongImporter.h"

#include "import/ImportError.h"
#include "import/MidiReader.h"
#include "import/MusicXMLReader.h"
#include "import/StripWriter.h"
#include "platform/core/FileManager.h"
#include "platform/core/Json.h"
#include "platform/core/Log.h"
#include "platform/core/Paths.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <set>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace import {

namespace {

std::string lowercase(std::string text)
{
    for (char& c : text)
        c = char(std::tolower(static_cast<unsigned char>(c)));
    return text;
}

std::string extensionOf(const std::string& path)
{
    std::string name = core::paths::lastPathComponent(path);
    size_t dot = name.rfind('.');
    return dot == std::string::npos ? std::string() : lowercase(name.substr(dot + 1));
}

std::string stemOf(const std::string& path)
{
    std::string name = core::paths::lastPathComponent(path);
    size_t dot = name.rfind('.');
    if (dot != std::string::npos && dot > 0)
        name.resize(dot);
    std::replace(name.begin(), name.end(), '_', ' ');
    return name;
}

std::string slugOf(const std::string& title)
{
    std::string slug;
    for (unsigned char c : title) {
        // Stop at a character's first byte, so a letter is never cut in half.
        if (slug.size() >= 60 && (c & 0xC0) != 0x80)
            break;
        if (std::isalnum(c))
            slug += char(std::tolower(c));
        else if (c >= 0x80) // letters beyond ASCII, as UTF-8 bytes
            slug += char(c);
        else if (!slug.empty() && slug.back() != '_')
            slug += '_';
    }
    while (!slug.empty() && slug.back() == '_')
        slug.pop_back();
    return slug.empty() ? std::string("song") : slug;
}

// Writes bytes under a temporary name in the same folder, flushes them to disk and renames them
// over `path`, so readers see the old file or the whole new one.
core::Result<void> writeAtomically(const std::string& path, const std::string& bytes)
{
    std::string temporary = path + ".partial-XXXXXX";
    int fd = mkstemp(temporary.data());
    if (fd < 0)
        return core::files::errorFromErrno(errno, "create", temporary);
    // mkstemp makes the file private; songs are as readable as the rest of the documents folder.
    mode_t mask = ::umask(0);
    ::umask(mask);
    (void)::fchmod(fd, 0666 & ~mask);
    size_t written = 0;
    while (written < bytes.size()) {
        ssize_t n = ::write(fd, bytes.data() + written, bytes.size() - written);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            int err = errno;
            ::close(fd);
            ::unlink(temporary.c_str());
            return core::files::errorFromErrno(err ? err : EIO, "write", temporary);
        }
        written += size_t(n);
    }
    if (::fsync(fd) != 0 || ::close(fd) != 0) {
        int err = errno;
        ::unlink(temporary.c_str());
        return core::files::errorFromErrno(err, "write", temporary);
    }
    if (::rename(temporary.c_str(), path.c_str()) != 0) {
        int err = errno;
        ::unlink(temporary.c_str());
        return core::files::errorFromErrno(err, "rename", path);
    }
    return {};
}

std::string indexText(const std::vector<SongImporter::Entry>& entries)
{
    core::Json list = core::Json::array();
    for (const auto& entry : entries)
        list.push_back({ { "fileName", entry.fileName }, { "path", entry.path } });
    core::Json index = { { "FileInfo", list } };
    return index.dump(2, ' ', false, core::Json::error_handler_t::replace) + "\n";
}

// Holds an exclusive lock on the folder's lock file, so two imports do not lose each other's
// index entries.
class FolderLock {
public:
    explicit FolderLock(const std::string& folder)
    {
        m_fd = ::open((folder + "/.lock").c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
        if (m_fd >= 0)
            ::flock(m_fd, LOCK_EX);
    }
    ~FolderLock()
    {
        if (m_fd >= 0)
            ::close(m_fd);
    }

private:
    int m_fd = -1;
};

core::Error named(const std::string& path, const core::Error& error)
{
    core::Error e = error;
    e.localizedDescription = core::paths::lastPathComponent(path) + ": " + error.localizedDescription;
    e.userInfo["path"] = path;
    return e;
}

}

std::string SongImporter::importedFolder()
{
    return core::paths::stringByAppendingPathComponent(core::paths::documentsDirectory(), "imported");
}

core::Result<Score> SongImporter::readScore(const std::string& path)
{
    bool isDirectory = false;
    if (!core::files::fileExistsAtPath(path, &isDirectory))
        return importError(ImportErrorCode::CannotRead, "no such file");
    if (isDirectory)
        return importError(ImportErrorCode::CannotRead, "it is a folder, not a file");
    auto bytes = core::files::contentsAtPath(path);
    if (!bytes)
        return importError(ImportErrorCode::CannotRead, "the file cannot be read");
    std::string extension = extensionOf(path);
    if (bytes->compare(0, 4, "MThd") == 0 || extension == "mid" || extension == "midi" || extension == "kar")
        return MidiReader::readBytes(*bytes);
    if (bytes->compare(0, 4, "PK\x03\x04") == 0 || extension == "mxl")
        return MusicXMLReader::readFile(path);
    size_t first = bytes->find_first_not_of(" \t\r\n\xEF\xBB\xBF");
    if (extension == "musicxml" || extension == "xml" || (first != std::string::npos && (*bytes)[first] == '<'))
        return MusicXMLReader::readText(*bytes);
    return importError(ImportErrorCode::NotAScore, "it is neither a MusicXML nor a MIDI file");
}

core::Result<SongImporter::Report> SongImporter::importFile(const std::string& path, const Options& options)
{
    return importFile(path, options, importedFolder());
}

core::Result<SongImporter::Report> SongImporter::importFile(const std::string& path, const Options& options, const std::string& folder)
{
    auto score = readScore(path);
    if (!score)
        return named(path, score.error());
    if (score->bars.size() > Score::maximumBars)
        return named(path, importError(ImportErrorCode::TooLarge, core::format("it has more than %zu bars", Score::maximumBars)));
    if (score->notes.size() > Score::maximumNotes)
        return named(path, importError(ImportErrorCode::TooLarge, core::format("it has more than %zu notes", Score::maximumNotes)));
    if (score->bars.empty())
        return named(path, importError(ImportErrorCode::Empty, "the score has no bars"));
    if (StripWriter::beatCount(*score) > StripWriter::maximumBeats)
        return named(path, importError(ImportErrorCode::TooLarge, core::format("it has more than %zu beats", StripWriter::maximumBeats)));

    std::string title = StripWriter::fieldText(options.title);
    if (title.empty())
        title = StripWriter::fieldText(score->title);
    if (title.empty())
        title = StripWriter::fieldText(stemOf(path));
    if (title.empty())
        title = "Imported song";
    score->title = title;
    StripWriter::Result strip = StripWriter::write(*score);

    if (auto made = core::files::createDirectoryAtPath(folder, true); !made)
        return named(path, importError(ImportErrorCode::CannotWrite, "the imported-songs folder cannot be created: " + made.error().localizedDescription));
    FolderLock lock(folder);
    std::vector<Entry> index = entries(folder);
    std::string indexPath = folder + "/info.json";
    if (index.empty()) {
        // An index that cannot be read would lose every song listed in it: keep it aside and list
        // the song files the folder holds, named after their files. A missing one is rebuilt too.
        auto bytes = core::files::contentsAtPath(indexPath);
        auto json = bytes ? core::JSONObject(*bytes) : std::nullopt;
        bool readable = json && json->is_object() && json->contains("FileInfo") && (*json)["FileInfo"].is_array();
        if (bytes && !readable) {
            std::string aside = indexPath + ".damaged";
            (void)::rename(indexPath.c_str(), aside.c_str());
            core::log("The imported songs' index was damaged; kept as %s and rebuilt from the song files", aside.c_str());
        }
        if (!readable) {
            if (auto names = core::files::contentsOfDirectoryAtPath(folder)) {
                std::vector<std::string> sorted = *names;
                std::sort(sorted.begin(), sorted.end());
                for (const std::string& name : sorted)
                    if (name.size() > 4 && name.compare(name.size() - 4, 4, ".csv") == 0 && name[0] != '.')
                        index.push_back({ name.substr(0, name.size() - 4), name });
            }
        }
    }
    std::set<std::string> taken;
    for (const Entry& entry : index)
        taken.insert(entry.path);
    std::string slug = slugOf(title);
    std::string songPath = slug + ".csv";
    for (int n = 2; taken.count(songPath) || core::files::fileExistsAtPath(folder + "/" + songPath); ++n)
        songPath = slug + "_" + std::to_string(n) + ".csv";

    std::string songFile = folder + "/" + songPath;
    if (auto written = writeAtomically(songFile, strip.text); !written)
        return named(path, importError(ImportErrorCode::CannotWrite, "the song cannot be written: " + written.error().localizedDescription));
    index.push_back({ title, songPath });
    if (auto written = writeAtomically(folder + "/info.json", indexText(index)); !written) {
        ::unlink(songFile.c_str());
        return named(path, importError(ImportErrorCode::CannotWrite, "the song index cannot be written: " + written.error().localizedDescription));
    }

    Report report;
    report.sourcePath = path;
    report.title = title;
    report.songPath = songPath;
    report.bars = strip.bars;
    report.beats = strip.beats;
    report.parts = score->parts.size();
    report.notes = strip.notes;
    report.leftOut = score->report;
    return report;
}

std::vector<SongImporter::Entry> SongImporter::entries(const std::string& folder)
{
    std::vector<Entry> result;
    auto bytes = core::files::contentsAtPath(folder + "/info.json");
    if (!bytes)
        return result;
    auto json = core::JSONObject(*bytes);
    if (!json || !json->is_object() || !json->contains("FileInfo") || !(*json)["FileInfo"].is_array())
        return result;
    for (const core::Json& item : (*json)["FileInfo"]) {
        if (!item.is_object() || !item.contains("path") || !item["path"].is_string())
            continue;
        Entry entry;
        entry.path = item["path"].get<std::string>();
        entry.fileName = item.contains("fileName") && item["fileName"].is_string() ? item["fileName"].get<std::string>() : entry.path;
        result.push_back(entry);
    }
    return result;
}

core::Result<void> SongImporter::removeSong(const std::string& folder, const std::string& songPath)
{
    if (songPath.empty() || songPath.find('/') != std::string::npos || songPath.find("..") != std::string::npos)
        return importError(ImportErrorCode::CannotWrite, "not a song of this folder: " + songPath);
    FolderLock lock(folder);
    std::vector<Entry> index = entries(folder);
    auto kept = std::remove_if(index.begin(), index.end(), [&](const Entry& e) { return e.path == songPath; });
    if (kept != index.end()) {
        index.erase(kept, index.end());
        if (auto written = writeAtomically(folder + "/info.json", indexText(index)); !written)
            return written;
    }
    std::string file = folder + "/" + songPath;
    if (core::files::fileExistsAtPath(file))
        return core::files::removeItemAtPath(file);
    return {};
}

std::string SongImporter::describe(const Report& report)
{
    auto counted = [](size_t n, const char* what) { return core::format("%zu %s%s", n, what, n == 1 ? "" : "s"); };
    std::string text = core::format("%s: \"%s\" (%s): %s, %s, %s, %s\n", core::paths::lastPathComponent(report.sourcePath).c_str(),
        report.title.c_str(), report.songPath.c_str(), counted(report.bars, "bar").c_str(), counted(report.beats, "beat").c_str(),
        counted(report.parts, "part").c_str(), counted(report.notes, "note").c_str());
    for (const std::string& line : report.leftOut)
        text += "  " + line + "\n";
    if (report.leftOut.empty())
        text += "  nothing left out\n";
    return text;
}

}
