#include "library/ContentDownload.h"
#include "library/ModeSelectionViewController.h"
#include "library/Screens.h"

#include "TempHome.h"
#include "archive/ZipTestSupport.h"
#include "overlay/BusyOverlay.h"
#include "platform/core/Log.h"
#include "platform/core/TemporaryFolder.h"
#include "platform/core/RunLoop.h"
#include "platform/http/LoopbackServer.h"
#include "platform/render/Renderer.h"
#include "platform/ui/AlertView.h"
#include "platform/ui/Application.h"
#include "platform/ui/Button.h"
#include "platform/ui/Label.h"
#include "platform/ui/Storyboard.h"
#include "platform/ui/TableViewCell.h"
#include "platform/ui/Window.h"
#include "player/ViewController.h"

#include <cstring>
#include <filesystem>
#include <gtest/gtest.h>
#include <map>
#include <sys/mount.h>

using library::ContentDownload;
using library::ModeSelectionViewController;

namespace {

const char* kPackagePath = "/Ostrel/cms/data/data.zip";

std::string zipBytes(const std::vector<ziptest::Item>& items)
{
    char pattern[] = "/tmp/beatstrip-package-XXXXXX";
    int fd = mkstemp(pattern);
    EXPECT_GE(fd, 0);
    close(fd);
    unlink(pattern);
    ziptest::writeZip(pattern, items);
    auto bytes = core::files::contentsAtPath(pattern);
    unlink(pattern);
    return bytes.value_or("");
}

std::string indexOf(const std::vector<std::pair<std::string, std::string>>& songs)
{
    std::string json = R"({"FileInfo": [)";
    for (size_t i = 0; i < songs.size(); i++)
        json += (i ? "," : "") + std::string(R"({"fileName": ")") + songs[i].first + R"(", "path": ")" + songs[i].second + R"("})";
    return json + "]}";
}

// Every file below `root` with its size and a hash of its bytes, and every folder (as "/").
std::map<std::string, std::string> snapshot(const std::string& root)
{
    std::map<std::string, std::string> files;
    for (auto& entry : std::filesystem::recursive_directory_iterator(root)) {
        auto relative = std::filesystem::relative(entry.path(), root).string();
        if (entry.is_directory()) {
            files[relative] = "/";
            continue;
        }
        auto bytes = core::files::contentsAtPath(entry.path()).value_or("<unreadable>");
        files[relative] = std::to_string(bytes.size()) + " bytes, hash " + std::to_string(std::hash<std::string> {}(bytes));
    }
    return files;
}

class ContentDownloadTest : public testing::Test {
protected:
    void SetUp() override
    {
        render::Renderer::installTextMetrics();
        ui::Storyboard::reset();
        ui::Application::resetShared();
        m_server.server.Get(kPackagePath, [this](const httplib::Request&, httplib::Response& res) {
            if (m_hold)
                m_gate.wait();
            res.status = m_status;
            if (m_truncate) {
                // Announces the whole body, sends half, then drops the connection.
                // The provider sends from the server's thread after this handler returns: it gets
                // its own copy, as the test moves on to the next body once the client has failed.
                auto body = std::make_shared<const std::string>(m_body);
                res.set_content_provider(body->size(), "application/zip", [body](size_t offset, size_t, httplib::DataSink& sink) {
                    if (offset > 0)
                        return false;
                    return sink.write(body->data(), body->size() / 2);
                });
                return;
            }
            res.set_content(m_body, m_contentType);
        });
        // A body that never ends, and one that trickles a byte at a time until released.
        m_server.server.Get("/endless/data.zip", [](const httplib::Request&, httplib::Response& res) {
            res.set_chunked_content_provider("application/zip", [](size_t, httplib::DataSink& sink) {
                static const std::string block(64 * 1024, 'z');
                return sink.write(block.data(), block.size());
            });
        });
        m_server.server.Get("/trickle/data.zip", [this](const httplib::Request&, httplib::Response& res) {
            res.set_chunked_content_provider("application/zip", [this](size_t offset, httplib::DataSink& sink) {
                if (offset >= 64 || m_gate.wait(0.25)) {
                    sink.done();
                    return true;
                }
                return sink.write("z", 1);
            });
        });
        m_server.start();
        ContentDownload::setBaseURL(m_server.url("/Ostrel/cms/data/"));
        m_oldSink = core::setLogSink([this](const std::string& line) {
            std::lock_guard lock(m_logMutex);
            m_log.push_back(line);
            m_logOnMain.push_back(&core::RunLoop::current() == &core::RunLoop::main());
        });
    }
    void TearDown() override
    {
        core::setLogSink(m_oldSink);
        m_gate.open();
        m_server.stop();
        ContentDownload::setBaseURL("");
        ContentDownload::setMaximumPackageSize(0);
        ContentDownload::setSlowTransferWindow(60);
        ui::Application::resetShared();
        ui::Storyboard::reset();
        core::RunLoop::resetMain();
    }

    std::shared_ptr<ModeSelectionViewController> launch()
    {
        library::registerScreens();
        EXPECT_TRUE(ui::Application::shared().launch());
        window().layoutIfNeeded();
        return std::dynamic_pointer_cast<ModeSelectionViewController>(window().rootViewController());
    }
    ui::Window& window() { return ui::Application::shared().window(); }

    void serve(std::string body, int status = 200, std::string contentType = "application/zip")
    {
        m_body = std::move(body);
        m_status = status;
        m_contentType = std::move(contentType);
    }
    void serveSongs(const std::vector<std::pair<std::string, std::string>>& songs, bool withFiles = true)
    {
        std::vector<ziptest::Item> items { { "data/", "", 0 }, { "data/info.json", indexOf(songs) } };
        if (withFiles) {
            for (auto& [title, path] : songs)
                items.push_back({ "data/" + library::SongIndex::songName(path) + ".csv", "Channel,Bar No(40)\n1,1\n" });
        }
        serve(zipBytes(items));
    }

    // What the user had before: two songs, the archive they came in and one stray file.
    void installOldSongs()
    {
        home.writeIndex(indexOf({ { "Old One", "old1.csv" }, { "Old Two", "old2.csv" } }));
        core::files::writeContentsAtPath(home.contentFolder() + "/old1.csv", "1\n");
        core::files::writeContentsAtPath(home.contentFolder() + "/old2.csv", "2\n");
        core::files::writeContentsAtPath(home.documents() + "/data/data.zip", "the old archive");
        core::files::writeContentsAtPath(home.documents() + "/data/notes.txt", "stray");
    }

    // Taps Download and waits (bounded) until the download has ended and its overlay has gone.
    void download(ModeSelectionViewController& screen)
    {
        auto button = screen.downloadButton->windowFrame();
        window().touchDown({ button.midX(), button.midY() });
        window().touchUp({ button.midX(), button.midY() });
        ASSERT_TRUE(screen.isDownloading());
        ASSERT_TRUE(testsupport::pumpMainUntil([&] { return !screen.isDownloading(); })) << "the download never ended";
        ASSERT_TRUE(testsupport::pumpMainUntil([&] { return !screen.hud->superview(); })) << "the overlay stayed";
        window().layoutIfNeeded();
    }

    std::vector<std::string> titles(ModeSelectionViewController& screen)
    {
        std::vector<std::string> out;
        for (int row = 0; row < screen.tableview->numberOfRowsInSection(0); row++) {
            auto cell = screen.tableview->cellForRowAtIndexPath({ 0, row });
            out.push_back(cell ? cell->textLabel()->text() : "<not shown>");
        }
        return out;
    }

    bool logged(const std::string& text)
    {
        std::lock_guard lock(m_logMutex);
        for (auto& line : m_log)
            if (line.find(text) != std::string::npos)
                return true;
        return false;
    }
    std::vector<std::string> logLines()
    {
        std::lock_guard lock(m_logMutex);
        return m_log;
    }

    // The failure alert: its first sentence, then the cause when one is given.
    void expectFailureAlert(const std::string& cause = "")
    {
        auto alert = window().currentAlert();
        ASSERT_TRUE(alert) << "the user is told";
        EXPECT_EQ(alert->title(), "Error");
        const std::string first = "The songs could not be downloaded. Your library is unchanged.";
        if (cause.empty())
            EXPECT_EQ(alert->message().substr(0, first.size()), first);
        else
            EXPECT_EQ(alert->message(), first + " " + cause);
        EXPECT_EQ(alert->buttonTitles(), std::vector<std::string> { "OK" });
        if (const char* dir = getenv("BEATSTRIP_SCREENSHOT_DIR")) {
            EXPECT_TRUE(render::Renderer::renderToPNG(window(), std::string(dir) + "/library_download_failed.png"));
        }
        alert->dismissWithClickedButtonIndex(0);
    }

    TempHome home;
    testsupport::LoopbackServer m_server;
    testsupport::Gate m_gate;
    std::atomic<bool> m_hold { false };
    std::string m_body;
    int m_status = 200;
    std::string m_contentType = "application/zip";
    bool m_truncate = false;
    std::mutex m_logMutex;
    std::vector<std::string> m_log;
    std::vector<bool> m_logOnMain;
    core::LogSink m_oldSink;
};

}

TEST_F(ContentDownloadTest, PackageURLIsTheBaseWithDataZip)
{
    ContentDownload::setBaseURL("http://example.org/Ostrel/cms/data/");
    EXPECT_EQ(ContentDownload::packageURL(), "http://example.org/Ostrel/cms/data/data.zip");
    ContentDownload::setBaseURL("");
    setenv("BEATSTRIP_CONTENT_URL", "file:///srv/content/", 1);
    EXPECT_EQ(ContentDownload::packageURL(), "file:///srv/content/data.zip");
    unsetenv("BEATSTRIP_CONTENT_URL");
    // A base without the closing "/" still names the folder.
    ContentDownload::setBaseURL("http://example.org/dir");
    EXPECT_EQ(ContentDownload::packageURL(), "http://example.org/dir/data.zip");
    ContentDownload::setBaseURL("file:///srv/content");
    EXPECT_EQ(ContentDownload::packageURL(), "file:///srv/content/data.zip");
    ContentDownload::setBaseURL("http://example.org:8080");
    EXPECT_EQ(ContentDownload::packageURL(), "http://example.org:8080/data.zip");
    ContentDownload::setBaseURL("");
}

TEST_F(ContentDownloadTest, FirstDownloadFillsAMissingPackageFolder)
{
    auto screen = launch();
    ASSERT_TRUE(screen);
    serveSongs({ { "Ode to Joy", "ode.csv" }, { "Canon", "canon.csv" } });
    ASSERT_FALSE(core::files::fileExistsAtPath(home.documents() + "/data"));

    download(*screen);
    EXPECT_EQ(titles(*screen), (std::vector<std::string> { "Ode to Joy", "Canon" }));
    EXPECT_TRUE(screen->emptyHint->isHidden());
    EXPECT_FALSE(window().currentAlert());
    auto files = snapshot(home.documents());
    EXPECT_EQ(files.count("data/data.zip"), 1u);
    EXPECT_EQ(core::files::contentsAtPath(home.documents() + "/data/data.zip"), m_body) << "the package is kept as received";
    EXPECT_EQ(files.count("data/data/info.json"), 1u);
    EXPECT_EQ(files.count("data/data/ode.csv"), 1u);
    EXPECT_EQ(files.count("data/data/canon.csv"), 1u);
    EXPECT_EQ(files.count("data/.incoming"), 0u) << "no staging left";
    EXPECT_EQ(files.size(), 6u) << "data, data.zip, data/data, the index and two songs";
    for (auto& child : screen->view()->subviews())
        EXPECT_FALSE(std::dynamic_pointer_cast<overlay::BusyOverlay>(child)) << "a hidden overlay leaves the screen";
}

TEST_F(ContentDownloadTest, SecondDownloadReplacesEveryOldSongAndLogsWhatGoes)
{
    installOldSongs();
    auto screen = launch();
    ASSERT_EQ(titles(*screen), (std::vector<std::string> { "Old One", "Old Two" }));
    serveSongs({ { "New", "new.csv" } });

    download(*screen);
    EXPECT_EQ(titles(*screen), (std::vector<std::string> { "New" }));
    auto files = snapshot(home.documents());
    EXPECT_EQ(files.count("data/data/old1.csv"), 0u);
    EXPECT_EQ(files.count("data/notes.txt"), 0u) << "every old item goes";
    EXPECT_EQ(core::files::contentsAtPath(home.documents() + "/data/data.zip"), m_body);
    EXPECT_EQ(files.count("data/data/new.csv"), 1u);
    // Each old name is logged on a line of its own.
    auto lines = logLines();
    for (const char* name : { "data", "data.zip", "notes.txt" }) {
        bool found = false;
        for (auto& line : lines)
            found = found || line == name || line.ends_with(std::string(" ") + name);
        EXPECT_TRUE(found) << name;
    }
}

TEST_F(ContentDownloadTest, FailuresKeepTheLibraryAndSayWhy)
{
    struct Case {
        const char* what;
        std::function<void()> setUp;
        const char* why;
        const char* cause;
    };
    const std::vector<Case> cases = {
        { "404 with an HTML page", [this] { serve("<html><body>Not Found</body></html>", 404, "text/html"); }, "answered 404",
            "The server answered 404 (Not Found)." },
        { "a body cut midway", [this] { serveSongs({ { "New", "new.csv" } }); m_body += std::string(200000, 'x'); m_truncate = true; }, "transfer failed",
            "The connection was interrupted." },
        { "a body that is no zip", [this] { serve("this is not an archive at all"); }, "cannot be extracted", "The package is damaged." },
        { "entries without data/", [this] { serve(zipBytes({ { "info.json", indexOf({ { "New", "new.csv" } }) }, { "new.csv", "1\n" } })); }, "no data/info.json",
            "The package is damaged." },
        { "an index without FileInfo", [this] { serve(zipBytes({ { "data/info.json", R"({"Files": []})" } })); }, "FileInfo", "The package is damaged." },
        { "an entry climbing out with ..", [this] {
             serve(zipBytes({ { "data/info.json", indexOf({ { "New", "new.csv" } }) }, { "../../../../escape.txt", "out" } }));
         },
            "unsafe", "The package is damaged." },
    };
    installOldSongs();
    auto screen = launch();
    const auto before = snapshot(home.home());
    for (auto& c : cases) {
        SCOPED_TRACE(c.what);
        m_truncate = false;
        c.setUp();
        download(*screen);
        EXPECT_EQ(titles(*screen), (std::vector<std::string> { "Old One", "Old Two" }));
        expectFailureAlert(c.cause);
        EXPECT_EQ(snapshot(home.home()), before) << "nothing on disk changed";
        EXPECT_TRUE(logged(c.why)) << "the log says why";
    }
    EXPECT_FALSE(std::filesystem::exists(std::filesystem::path(home.home()).parent_path() / "escape.txt"));

    // The old songs still open.
    auto row = screen->tableview->convertRect(screen->tableview->rectForRowAtIndexPath({ 0, 1 }), nullptr);
    window().touchDown({ row.midX(), row.midY() });
    window().touchUp({ row.midX(), row.midY() });
    auto player = std::dynamic_pointer_cast<player::ViewController>(screen->presentedViewController());
    ASSERT_TRUE(player);
    EXPECT_EQ(player->fileName(), "old2");
}

TEST_F(ContentDownloadTest, AnOldItemThatCannotBeRemovedStaysAndLaterDownloadsWork)
{
    installOldSongs();
    const std::string package = home.documents() + "/data";
    // Two items that resist: a mount point, which cannot even be moved, and a folder holding one,
    // which moves but cannot be removed.
    const std::string busy = package + "/busy";
    const std::string held = package + "/locked/mnt";
    ASSERT_TRUE(core::files::createDirectoryAtPath(busy, false).ok());
    ASSERT_TRUE(core::files::createDirectoryAtPath(held, true).ok());
    if (mount("tmpfs", busy.c_str(), "tmpfs", 0, "size=64k") != 0)
        GTEST_SKIP() << "cannot mount a tmpfs here: " << strerror(errno);
    struct Unmount {
        std::vector<std::string> paths;
        ~Unmount()
        {
            for (auto& path : paths)
                umount2(path.c_str(), MNT_DETACH);
        }
    } unmount { { busy, held, package + "/.incoming/old/locked/mnt" } };
    ASSERT_EQ(mount("tmpfs", held.c_str(), "tmpfs", 0, "size=64k"), 0) << strerror(errno);

    auto screen = launch();
    serveSongs({ { "New", "new.csv" } });
    download(*screen);
    EXPECT_FALSE(window().currentAlert());
    EXPECT_EQ(titles(*screen), (std::vector<std::string> { "New" }));
    EXPECT_TRUE(core::files::fileExistsAtPath(busy)) << "an item that cannot be removed stays";
    EXPECT_TRUE(core::files::fileExistsAtPath(held)) << "an item that cannot be removed stays";
    EXPECT_FALSE(core::files::fileExistsAtPath(package + "/.incoming"));
    // Only the two failures give error lines; every name is logged on its own.
    int errorLines = 0;
    for (auto& line : logLines()) {
        if (line.find(strerror(EBUSY)) != std::string::npos)
            errorLines++;
        for (const char* removed : { "notes.txt", "data.zip" })
            EXPECT_TRUE(line.find(removed) == std::string::npos || line == removed || line.ends_with(std::string(" ") + removed)) << line;
    }
    EXPECT_EQ(errorLines, 2);

    // What stayed does not stand in the way of the next download.
    serveSongs({ { "Newer", "newer.csv" } });
    download(*screen);
    EXPECT_FALSE(window().currentAlert());
    EXPECT_EQ(titles(*screen), (std::vector<std::string> { "Newer" }));
    EXPECT_TRUE(core::files::fileExistsAtPath(home.contentFolder() + "/newer.csv"));
}

TEST_F(ContentDownloadTest, ExtractionRunsOffTheMainThread)
{
    auto screen = launch();
    // The refused entry makes the extractor log a line from the thread it runs on.
    serve(zipBytes({ { "data/info.json", indexOf({ { "New", "new.csv" } }) }, { "../outside.txt", "out" } }));
    download(*screen);
    expectFailureAlert();
    std::lock_guard lock(m_logMutex);
    int extractorLines = 0;
    for (size_t i = 0; i < m_log.size(); i++) {
        if (m_log[i].find("[ZipArchive]") == std::string::npos)
            continue;
        extractorLines++;
        EXPECT_FALSE(m_logOnMain[i]) << "the main thread stays free while extracting: " << m_log[i];
    }
    EXPECT_GT(extractorLines, 0);
}

TEST_F(ContentDownloadTest, ConnectionRefusedKeepsTheLibrary)
{
    testsupport::LoopbackServer gone;
    gone.start();
    const std::string url = gone.url("/Ostrel/cms/data/");
    gone.stop();
    ContentDownload::setBaseURL(url);

    installOldSongs();
    auto screen = launch();
    const auto before = snapshot(home.home());
    download(*screen);
    EXPECT_EQ(titles(*screen), (std::vector<std::string> { "Old One", "Old Two" }));
    expectFailureAlert();
    EXPECT_EQ(snapshot(home.home()), before);
    EXPECT_TRUE(logged("transfer failed"));
}

TEST_F(ContentDownloadTest, AFailedFirstDownloadLeavesNoPackageFolder)
{
    testsupport::LoopbackServer gone;
    gone.start();
    const std::string url = gone.url("/Ostrel/cms/data/");
    gone.stop();
    ContentDownload::setBaseURL(url);

    auto screen = launch();
    ASSERT_FALSE(core::files::fileExistsAtPath(library::SongIndex::packageFolder()));
    download(*screen);
    expectFailureAlert();
    EXPECT_FALSE(core::files::fileExistsAtPath(library::SongIndex::packageFolder()));
}

TEST_F(ContentDownloadTest, ASongWithoutItsFileIsListedAndOpensEmpty)
{
    auto screen = launch();
    serve(zipBytes({ { "data/info.json", indexOf({ { "Here", "here.csv" }, { "Lost", "lost.csv" } }) }, { "data/here.csv", "1\n" } }));
    download(*screen);
    EXPECT_FALSE(window().currentAlert());
    EXPECT_EQ(titles(*screen), (std::vector<std::string> { "Here", "Lost" }));
    auto row = screen->tableview->convertRect(screen->tableview->rectForRowAtIndexPath({ 0, 1 }), nullptr);
    window().touchDown({ row.midX(), row.midY() });
    window().touchUp({ row.midX(), row.midY() });
    auto player = std::dynamic_pointer_cast<player::ViewController>(screen->presentedViewController());
    ASSERT_TRUE(player);
    EXPECT_EQ(player->fileName(), "lost");
    EXPECT_FALSE(player->canPlay());
}

TEST_F(ContentDownloadTest, OverlayShowsWhileRunningAndASecondPressIsIgnored)
{
    auto screen = launch();
    serveSongs({ { "New", "new.csv" } });
    m_hold = true;
    auto button = screen->downloadButton->windowFrame();
    window().touchDown({ button.midX(), button.midY() });
    window().touchUp({ button.midX(), button.midY() });
    auto hud = screen->hud;
    ASSERT_TRUE(hud);
    EXPECT_EQ(hud->labelText(), "Downloading");
    EXPECT_EQ(hud->mode(), overlay::BusyOverlay::Indeterminate);
    EXPECT_TRUE(hud->removeFromSuperViewOnHide());
    ASSERT_TRUE(testsupport::pumpMainUntil([&] { return hud->alpha() == 1; }));
    EXPECT_TRUE(screen->emptyHint->isHidden()) << "nothing shows through the box";

    screen->download(nullptr);
    EXPECT_EQ(screen->hud, hud) << "no second download while one runs";
    int overlays = 0;
    for (auto& child : screen->view()->subviews())
        overlays += std::dynamic_pointer_cast<overlay::BusyOverlay>(child) != nullptr;
    EXPECT_EQ(overlays, 1);
    if (const char* dir = getenv("BEATSTRIP_SCREENSHOT_DIR")) {
        EXPECT_TRUE(render::Renderer::renderToPNG(window(), std::string(dir) + "/library_downloading.png"));
    }

    m_gate.open();
    ASSERT_TRUE(testsupport::pumpMainUntil([&] { return !screen->isDownloading() && !hud->superview(); }));
    window().layoutIfNeeded();
    EXPECT_EQ(titles(*screen), (std::vector<std::string> { "New" }));
}

TEST_F(ContentDownloadTest, AnInterruptedInstallIsMendedAtTheNextStart)
{
    // Killed between extraction and the swap: a staging folder full of new content.
    installOldSongs();
    const std::string staging = home.documents() + "/data/.incoming";
    ASSERT_TRUE(core::files::createDirectoryAtPath(staging + "/unpacked/data", true).ok());
    core::files::writeContentsAtPath(staging + "/data.zip", "half an archive");
    core::files::writeContentsAtPath(staging + "/unpacked/data/info.json", indexOf({ { "New", "new.csv" } }));
    {
        auto screen = launch();
        EXPECT_EQ(titles(*screen), (std::vector<std::string> { "Old One", "Old Two" }));
        EXPECT_FALSE(core::files::fileExistsAtPath(staging));
    }

    // Killed mid-swap: the old content folder moved aside, the new one not yet in place.
    ui::Application::resetShared();
    ASSERT_TRUE(core::files::createDirectoryAtPath(staging + "/old", true).ok());
    ASSERT_TRUE(core::files::moveItemAtPath(home.contentFolder(), staging + "/old/data").ok());
    ASSERT_TRUE(core::files::moveItemAtPath(home.documents() + "/data/notes.txt", staging + "/old/notes.txt").ok());
    core::files::writeContentsAtPath(staging + "/old/data.zip", "an older archive");
    auto screen = launch();
    EXPECT_EQ(titles(*screen), (std::vector<std::string> { "Old One", "Old Two" }));
    EXPECT_FALSE(core::files::fileExistsAtPath(staging));
    EXPECT_EQ(core::files::contentsAtPath(home.documents() + "/data/notes.txt"), "stray");
    EXPECT_EQ(core::files::contentsAtPath(home.documents() + "/data/data.zip"), "the old archive")
        << "an item already in place is not overwritten by its old copy";
}

TEST_F(ContentDownloadTest, AFileURLServesThePackageShippedWithTheProgram)
{
    auto shipped = core::TemporaryFolder::create("shipped");
    ASSERT_TRUE(shipped.ok());
    const std::string folder = (*shipped)->path();
    serveSongs({ { "Shipped", "shipped.csv" } });
    ASSERT_TRUE(core::files::writeContentsAtPath(folder + "/data.zip", m_body).ok());
    ContentDownload::setBaseURL("file://" + folder + "/");

    auto screen = launch();
    download(*screen);
    EXPECT_FALSE(window().currentAlert());
    EXPECT_EQ(titles(*screen), (std::vector<std::string> { "Shipped" }));

    // Without the file there is nothing to install, and the library says so.
    core::files::removeItemAtPath(folder + "/data.zip");
    download(*screen);
    expectFailureAlert();
    EXPECT_EQ(titles(*screen), (std::vector<std::string> { "Shipped" }));
}

// Every cause the failure alert names, each against the loopback server, the library unchanged and
// nothing left behind.
TEST_F(ContentDownloadTest, TheFailureAlertNamesItsCause)
{
    installOldSongs();
    auto screen = launch();
    const auto before = snapshot(home.home());
    auto expectUnchanged = [&](const std::string& cause) {
        EXPECT_EQ(titles(*screen), (std::vector<std::string> { "Old One", "Old Two" }));
        expectFailureAlert(cause);
        EXPECT_EQ(snapshot(home.home()), before) << "nothing on disk changed, no partial file left";
    };
    {
        SCOPED_TRACE("no server");
        testsupport::RefusingPort refusing;
        ASSERT_TRUE(refusing.ok());
        ContentDownload::setBaseURL(refusing.url("/"));
        download(*screen);
        expectUnchanged("The server could not be reached.");
    }
    {
        SCOPED_TRACE("a declared length over the limit");
        ContentDownload::setBaseURL(m_server.url("/Ostrel/cms/data/"));
        serveSongs({ { "New", "new.csv" } });
        m_body += std::string(20000, 'x');
        ContentDownload::setMaximumPackageSize(10000);
        download(*screen);
        expectUnchanged("The package is too large.");
        EXPECT_TRUE(logged("larger than the limit of 10000 bytes"));
    }
    {
        SCOPED_TRACE("a body that never ends");
        ContentDownload::setMaximumPackageSize(1 << 20);
        ContentDownload::setBaseURL(m_server.url("/endless/"));
        download(*screen);
        expectUnchanged("The package is too large.");
    }
    {
        SCOPED_TRACE("a trickle");
        ContentDownload::setMaximumPackageSize(0);
        ContentDownload::setSlowTransferWindow(1);
        ContentDownload::setBaseURL(m_server.url("/trickle/"));
        download(*screen);
        expectUnchanged("The connection was too slow.");
    }
    ContentDownload::setBaseURL(m_server.url("/Ostrel/cms/data/"));
    {
        SCOPED_TRACE("the songs folder cannot be written");
        const std::string package = home.documents() + "/data";
        ASSERT_TRUE(core::files::moveItemAtPath(package, home.home() + "/moved").ok());
        ASSERT_TRUE(core::files::writeContentsAtPath(package, "a file where the folder belongs").ok());
        serveSongs({ { "New", "new.csv" } });
        // This one fails before any transfer starts.
        auto button = screen->downloadButton->windowFrame();
        window().touchDown({ button.midX(), button.midY() });
        window().touchUp({ button.midX(), button.midY() });
        ASSERT_TRUE(testsupport::pumpMainUntil([&] { return !screen->isDownloading() && window().currentAlert(); }));
        EXPECT_EQ(core::files::contentsAtPath(package), "a file where the folder belongs");
        auto alert = window().currentAlert();
        ASSERT_TRUE(alert);
        EXPECT_EQ(alert->message(), "The songs could not be downloaded. Your library is unchanged. The songs folder cannot be written.");
        alert->dismissWithClickedButtonIndex(0);
        ASSERT_TRUE(core::files::removeItemAtPath(package).ok());
        ASSERT_TRUE(core::files::moveItemAtPath(home.home() + "/moved", package).ok());
    }
}

// A small disk of our own under the package folder: the download or the extraction runs out of
// room, and the alert says so.
TEST_F(ContentDownloadTest, AFullDiskIsNamedAsTheCause)
{
    const std::string disk = home.documents();
    if (mount("tmpfs", disk.c_str(), "tmpfs", 0, "size=64k") != 0)
        GTEST_SKIP() << "cannot mount a tmpfs here: " << strerror(errno);
    struct Unmount {
        std::string path;
        ~Unmount() { umount2(path.c_str(), MNT_DETACH); }
    } unmount { disk };
    installOldSongs();
    auto screen = launch();
    serveSongs({ { "New", "new.csv" } });
    m_body += std::string(200000, 'x');
    download(*screen);
    EXPECT_EQ(titles(*screen), (std::vector<std::string> { "Old One", "Old Two" }));
    expectFailureAlert("There is not enough disk space.");
}
