#include "platform/http/URLConnection.h"

#include "platform/core/Error.h"
#include "platform/core/FileManager.h"
#include "platform/core/TemporaryFolder.h"
#include "platform/core/RunLoop.h"
#include "platform/core/Thread.h"
#include "platform/http/HTTPURLResponse.h"
#include "platform/http/URLConnectionDelegate.h"
#include "platform/http/URLError.h"
#include "platform/http/LoopbackServer.h"

#include <csignal>
#include <gtest/gtest.h>
#include <poll.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <sys/socket.h>
#include <netinet/in.h>
#include <arpa/inet.h>
#include <unistd.h>

using namespace http;
using testsupport::Gate;
using testsupport::LoopbackServer;

namespace {

// Records what a connection reports, and on which thread.
class Recorder : public URLConnectionDelegate {
public:
    std::optional<URLRequest> willSendRequest(URLConnection&, const URLRequest& request, const std::shared_ptr<const URLResponse>& redirect) override
    {
        std::lock_guard lock(m_mutex);
        noteThread();
        events.push_back("redirect " + request.URL());
        redirects.push_back(redirect);
        if (!followRedirects)
            return std::nullopt;
        return request;
    }
    void didReceiveResponse(URLConnection&, const std::shared_ptr<const URLResponse>& r) override
    {
        std::lock_guard lock(m_mutex);
        noteThread();
        events.push_back("response");
        response = r;
    }
    void didReceiveData(URLConnection& connection, std::string_view data) override
    {
        {
            std::lock_guard lock(m_mutex);
            noteThread();
            if (events.empty() || events.back() != "data")
                events.push_back("data");
            body.append(data);
        }
        if (cancelOnData)
            connection.cancel();
        if (onData)
            onData();
    }
    void connectionDidFinishLoading(URLConnection&) override
    {
        std::lock_guard lock(m_mutex);
        noteThread();
        events.push_back("finish");
        m_ended = true;
        m_cv.notify_all();
    }
    void didFailWithError(URLConnection&, const core::Error& e) override
    {
        std::lock_guard lock(m_mutex);
        noteThread();
        events.push_back("fail");
        error = e;
        m_ended = true;
        m_cv.notify_all();
    }

    bool waitForEnd(double seconds = 10)
    {
        std::unique_lock lock(m_mutex);
        return m_cv.wait_for(lock, std::chrono::duration<double>(seconds), [this] { return m_ended; });
    }

    bool followRedirects = true;
    bool cancelOnData = false;
    std::function<void()> onData;
    std::vector<std::string> events;
    std::vector<std::shared_ptr<const URLResponse>> redirects;
    std::shared_ptr<const URLResponse> response;
    std::string body;
    std::optional<core::Error> error;
    std::set<std::thread::id> threads;

private:
    void noteThread() { threads.insert(std::this_thread::get_id()); }
    std::mutex m_mutex;
    std::condition_variable m_cv;
    bool m_ended = false;
};

// One transfer thread for all tests, never destroyed, as the app's network thread is never
// stopped; each test's transfers still start from an idle loop.
std::shared_ptr<core::Thread> transferThread()
{
    static std::once_flag flag;
    alignas(std::shared_ptr<core::Thread>) static unsigned char storage[sizeof(std::shared_ptr<core::Thread>)];
    static std::shared_ptr<core::Thread>* thread = nullptr;
    std::call_once(flag, [] { thread = ::new (storage) std::shared_ptr<core::Thread>(core::Thread::create("transfer-test")); });
    return *thread;
}

class URLConnectionTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_body = testsupport::patternBytes(200 * 1024);
        m_server.server.Get("/data", [this](const httplib::Request&, httplib::Response& res) {
            res.set_header("X-Test", "yes");
            res.set_content(m_body, "application/zip");
        });
        m_server.server.Get("/latin", [](const httplib::Request&, httplib::Response& res) {
            res.set_content("caf\xe9", "text/html; charset=ISO-8859-1");
        });
        m_server.server.Get("/old", [](const httplib::Request&, httplib::Response& res) {
            res.set_content("moved", "text/plain");
            res.set_redirect("/data");
        });
        m_server.server.Get("/loop", [](const httplib::Request&, httplib::Response& res) { res.set_redirect("/loop"); });
        m_server.server.Get("/endless", [](const httplib::Request&, httplib::Response& res) {
            res.set_chunked_content_provider("application/zip", [](size_t, httplib::DataSink& sink) {
                static const std::string block(16 * 1024, 'e');
                return sink.write(block.data(), block.size());
            });
        });
        m_server.server.Get("/stall", [this](const httplib::Request&, httplib::Response& res) {
            res.set_chunked_content_provider("application/octet-stream", [this](size_t offset, httplib::DataSink& sink) {
                if (offset == 0)
                    return sink.write("first", 5);
                m_gate.wait();
                return false;
            });
        });
        m_server.start();
        m_thread = transferThread();
    }
    void TearDown() override
    {
        m_gate.open();
        m_server.stop();
        m_thread.reset();
    }

    std::shared_ptr<URLConnection> startOnThread(const URLRequest& request, const std::shared_ptr<Recorder>& recorder)
    {
        auto connection = URLConnection::create(request, recorder, URLConnection::StartImmediately::No);
        connection->scheduleInRunLoop(m_thread->runLoop(), RunLoopCommonModes);
        connection->start();
        return connection;
    }

    std::string m_body;
    LoopbackServer m_server;
    Gate m_gate;
    std::shared_ptr<core::Thread> m_thread;
};

TEST_F(URLConnectionTest, DeliversResponseThenBodyThenFinishOnTheScheduledThread)
{
    auto recorder = std::make_shared<Recorder>();
    auto connection = startOnThread(URLRequest(m_server.url("/data")), recorder);
    ASSERT_TRUE(recorder->waitForEnd());

    EXPECT_EQ(recorder->events, (std::vector<std::string> { "response", "data", "finish" }));
    EXPECT_EQ(recorder->threads, std::set<std::thread::id> { m_thread->id() });
    EXPECT_TRUE(recorder->body == m_body);
    auto http = std::dynamic_pointer_cast<const HTTPURLResponse>(recorder->response);
    ASSERT_TRUE(http);
    EXPECT_EQ(http->statusCode(), 200);
    EXPECT_EQ(http->MIMEType(), "application/zip");
    EXPECT_EQ(http->expectedContentLength(), static_cast<int64_t>(m_body.size()));
    EXPECT_EQ(http->valueForHTTPHeaderField("x-test"), "yes");
    EXPECT_EQ(http->URL(), m_server.url("/data"));
}

TEST_F(URLConnectionTest, AConnectionWhoseLoopWentWithItsThreadStartsNothing)
{
    auto thread = core::Thread::create("Gone");
    auto recorder = std::make_shared<Recorder>();
    auto connection = URLConnection::create(URLRequest(m_server.url("/data")), recorder, URLConnection::StartImmediately::No);
    connection->scheduleInRunLoop(thread->runLoop(), RunLoopCommonModes);
    thread.reset();
    connection->start();
    connection->cancel();
    EXPECT_TRUE(recorder->events.empty());
}

TEST_F(URLConnectionTest, SplitsContentTypeIntoMimeTypeAndEncoding)
{
    auto recorder = std::make_shared<Recorder>();
    auto connection = startOnThread(URLRequest(m_server.url("/latin")), recorder);
    ASSERT_TRUE(recorder->waitForEnd());
    ASSERT_TRUE(recorder->response);
    EXPECT_EQ(recorder->response->MIMEType(), "text/html");
    EXPECT_EQ(recorder->response->textEncodingName(), "iso-8859-1");
    EXPECT_EQ(recorder->body, "caf\xe9");
}

TEST_F(URLConnectionTest, FollowsRedirectsAndReportsThem)
{
    auto recorder = std::make_shared<Recorder>();
    auto connection = startOnThread(URLRequest(m_server.url("/old")), recorder);
    ASSERT_TRUE(recorder->waitForEnd());

    EXPECT_EQ(recorder->events, (std::vector<std::string> { "redirect " + m_server.url("/data"), "response", "data", "finish" }));
    ASSERT_EQ(recorder->redirects.size(), 1u);
    auto redirect = std::dynamic_pointer_cast<const HTTPURLResponse>(recorder->redirects[0]);
    ASSERT_TRUE(redirect);
    EXPECT_EQ(redirect->statusCode(), 302);
    EXPECT_EQ(redirect->URL(), m_server.url("/old"));
    EXPECT_EQ(recorder->response->URL(), m_server.url("/data"));
    EXPECT_EQ(connection->originalRequest().URL(), m_server.url("/old"));
    // The redirect's own body never reaches the delegate.
    EXPECT_TRUE(recorder->body == m_body);
}

TEST_F(URLConnectionTest, RefusedRedirectMakesTheRedirectTheAnswer)
{
    auto recorder = std::make_shared<Recorder>();
    recorder->followRedirects = false;
    auto connection = startOnThread(URLRequest(m_server.url("/old")), recorder);
    ASSERT_TRUE(recorder->waitForEnd());
    EXPECT_EQ(recorder->events, (std::vector<std::string> { "redirect " + m_server.url("/data"), "response", "finish" }));
    auto http = std::dynamic_pointer_cast<const HTTPURLResponse>(recorder->response);
    ASSERT_TRUE(http);
    EXPECT_EQ(http->statusCode(), 302);
}

TEST_F(URLConnectionTest, EndlessRedirectsFail)
{
    auto recorder = std::make_shared<Recorder>();
    auto connection = startOnThread(URLRequest(m_server.url("/loop")), recorder);
    ASSERT_TRUE(recorder->waitForEnd());
    ASSERT_TRUE(recorder->error);
    EXPECT_EQ(recorder->error->domain, URLErrorDomain);
    EXPECT_EQ(recorder->error->code, URLErrorHTTPTooManyRedirects);
}

TEST_F(URLConnectionTest, RefusedPortFailsWithCannotConnect)
{
    testsupport::RefusingPort refusing;
    ASSERT_TRUE(refusing.ok());
    std::string url = refusing.url("/data");

    auto recorder = std::make_shared<Recorder>();
    auto connection = startOnThread(URLRequest(url), recorder);
    ASSERT_TRUE(recorder->waitForEnd());
    EXPECT_EQ(recorder->events, (std::vector<std::string> { "fail" }));
    ASSERT_TRUE(recorder->error);
    EXPECT_EQ(recorder->error->domain, URLErrorDomain);
    EXPECT_EQ(recorder->error->code, URLErrorCannotConnectToHost);
    EXPECT_EQ(recorder->error->userInfo.at(URLErrorFailingURLErrorKey), url);
}

TEST_F(URLConnectionTest, StalledTransferTimesOutAfterTheIntervalWithoutProgress)
{
    auto recorder = std::make_shared<Recorder>();
    auto connection = startOnThread(URLRequest(m_server.url("/stall"), 1), recorder);
    auto t0 = std::chrono::steady_clock::now();
    ASSERT_TRUE(recorder->waitForEnd(15));
    // Measured from the last byte, not from the start of the transfer.
    EXPECT_GE(std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count(), 0.9);
    EXPECT_EQ(recorder->body, "first");
    ASSERT_TRUE(recorder->error);
    EXPECT_EQ(recorder->error->code, URLErrorTimedOut);
}

// A body larger than the request's limit: refused by its declared length before any of it is
// delivered, and, without one, as soon as the bytes received pass the limit.
TEST_F(URLConnectionTest, ABodyOverTheLimitFailsBeforeOrAsItPassesIt)
{
    URLRequest declared(m_server.url("/data"));
    declared.setMaximumContentLength(1000);
    auto recorder = std::make_shared<Recorder>();
    auto connection = startOnThread(declared, recorder);
    ASSERT_TRUE(recorder->waitForEnd());
    ASSERT_TRUE(recorder->error);
    EXPECT_EQ(recorder->error->code, URLErrorDataLengthExceedsMaximum);
    EXPECT_EQ(recorder->body, "") << "nothing of the body is delivered";

    URLRequest endless(m_server.url("/endless"));
    endless.setMaximumContentLength(100 * 1024);
    auto second = std::make_shared<Recorder>();
    auto other = startOnThread(endless, second);
    ASSERT_TRUE(second->waitForEnd());
    ASSERT_TRUE(second->error);
    EXPECT_EQ(second->error->code, URLErrorDataLengthExceedsMaximum);
    EXPECT_LE(second->body.size(), 100u * 1024) << "never more than the limit is delivered";

    URLRequest fits(m_server.url("/data"));
    fits.setMaximumContentLength(static_cast<int64_t>(m_body.size()));
    auto third = std::make_shared<Recorder>();
    auto last = startOnThread(fits, third);
    ASSERT_TRUE(third->waitForEnd());
    EXPECT_FALSE(third->error);
    EXPECT_EQ(third->body.size(), m_body.size());
}

TEST_F(URLConnectionTest, CancelFromInsideACallbackStopsAllCallbacks)
{
    auto recorder = std::make_shared<Recorder>();
    recorder->cancelOnData = true;
    std::weak_ptr<Recorder> weakRecorder = recorder;
    Gate sawData;
    recorder->onData = [&sawData] { sawData.open(); };
    auto connection = startOnThread(URLRequest(m_server.url("/stall")), recorder);
    recorder.reset();
    ASSERT_TRUE(sawData.wait());
    m_gate.open();
    // The connection lets go of its delegate once cancelled, and reports nothing more.
    auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (!weakRecorder.expired() && std::chrono::steady_clock::now() < deadline)
        std::this_thread::yield();
    EXPECT_TRUE(weakRecorder.expired());
}

TEST_F(URLConnectionTest, ManyTransfersShareTheOneThread)
{
    std::vector<std::shared_ptr<Recorder>> recorders;
    std::vector<std::shared_ptr<URLConnection>> connections;
    for (int i = 0; i < 8; i++) {
        recorders.push_back(std::make_shared<Recorder>());
        connections.push_back(startOnThread(URLRequest(m_server.url(i % 2 ? "/data" : "/old")), recorders.back()));
    }
    for (auto& recorder : recorders) {
        ASSERT_TRUE(recorder->waitForEnd());
        EXPECT_FALSE(recorder->error);
        EXPECT_TRUE(recorder->body == m_body);
        EXPECT_EQ(recorder->threads, std::set<std::thread::id> { m_thread->id() });
    }
}

TEST_F(URLConnectionTest, ReadsFileURLs)
{
    auto folder = core::TemporaryFolder::create("fileurl");
    ASSERT_TRUE(folder.ok());
    std::string dir = (*folder)->path();
    ASSERT_TRUE(core::files::writeContentsAtPath(dir + "/song.csv", "a,b\n1,2\n").ok());

    auto recorder = std::make_shared<Recorder>();
    auto connection = startOnThread(URLRequest("file://" + dir + "/song.csv"), recorder);
    ASSERT_TRUE(recorder->waitForEnd());
    EXPECT_EQ(recorder->events, (std::vector<std::string> { "response", "data", "finish" }));
    EXPECT_EQ(recorder->body, "a,b\n1,2\n");
    ASSERT_TRUE(recorder->response);
    EXPECT_FALSE(std::dynamic_pointer_cast<const HTTPURLResponse>(recorder->response));
    EXPECT_EQ(recorder->response->MIMEType(), "text/csv");
    EXPECT_EQ(recorder->response->expectedContentLength(), 8);

    auto missing = std::make_shared<Recorder>();
    auto second = startOnThread(URLRequest("file://" + dir + "/none.csv"), missing);
    ASSERT_TRUE(missing->waitForEnd());
    ASSERT_TRUE(missing->error);
    EXPECT_EQ(missing->error->code, URLErrorFileDoesNotExist);
}

TEST_F(URLConnectionTest, OtherSchemesAreUnsupported)
{
    auto recorder = std::make_shared<Recorder>();
    auto connection = startOnThread(URLRequest("ftp://127.0.0.1/x"), recorder);
    ASSERT_TRUE(recorder->waitForEnd());
    ASSERT_TRUE(recorder->error);
    EXPECT_EQ(recorder->error->code, URLErrorUnsupportedURL);
}

// A TLS server on loopback whose certificate nobody vouches for: python3's ssl module with a
// certificate made by the openssl tool.
TEST_F(URLConnectionTest, HTTPSRefusesAnUnverifiedCertificate)
{
    auto folder = core::TemporaryFolder::create("tls");
    ASSERT_TRUE(folder.ok());
    std::string dir = (*folder)->path();
    std::string make = "openssl req -x509 -newkey rsa:2048 -nodes -days 1 -subj /CN=127.0.0.1 -keyout " + dir
        + "/key.pem -out " + dir + "/cert.pem >/dev/null 2>&1";
    if (system(make.c_str()) != 0) {
        GTEST_SKIP() << "the openssl tool is not available";
    }
    const char* script = "import ssl, sys, http.server\n"
                         "ctx = ssl.SSLContext(ssl.PROTOCOL_TLS_SERVER)\n"
                         "ctx.load_cert_chain(sys.argv[1], sys.argv[2])\n"
                         "s = http.server.HTTPServer(('127.0.0.1', 0), http.server.SimpleHTTPRequestHandler)\n"
                         "s.socket = ctx.wrap_socket(s.socket, server_side=True)\n"
                         "print(s.server_address[1], flush=True)\n"
                         "s.serve_forever()\n";
    int out[2];
    ASSERT_EQ(pipe(out), 0);
    pid_t pid = fork();
    if (pid == 0) {
        dup2(out[1], 1);
        close(out[0]);
        execlp("python3", "python3", "-c", script, (dir + "/cert.pem").c_str(), (dir + "/key.pem").c_str(), static_cast<char*>(nullptr));
        _exit(127);
    }
    close(out[1]);
    std::string portText;
    pollfd readable { out[0], POLLIN, 0 };
    char c;
    while (poll(&readable, 1, 10000) == 1 && read(out[0], &c, 1) == 1 && c != '\n')
        portText += c;
    close(out[0]);

    std::optional<core::Error> error;
    if (!portText.empty()) {
        auto recorder = std::make_shared<Recorder>();
        auto connection = startOnThread(URLRequest("https://127.0.0.1:" + portText + "/"), recorder);
        EXPECT_TRUE(recorder->waitForEnd());
        EXPECT_EQ(recorder->events, (std::vector<std::string> { "fail" }));
        error = recorder->error;
    }
    kill(pid, SIGTERM);
    int status = 0;
    waitpid(pid, &status, 0);
    if (portText.empty())
        GTEST_SKIP() << "python3 could not serve TLS";
    ASSERT_TRUE(error);
    EXPECT_EQ(error->domain, URLErrorDomain);
    EXPECT_EQ(error->code, URLErrorServerCertificateUntrusted);
}

TEST(HTTPURLResponseTest, ReasonPhrases)
{
    EXPECT_EQ(HTTPURLResponse::localizedStringForStatusCode(404), "not found");
    EXPECT_EQ(HTTPURLResponse::localizedStringForStatusCode(500), "internal server error");
    EXPECT_EQ(HTTPURLResponse::localizedStringForStatusCode(599), "server error");
    HTTPURLResponse response("http://h/x", 200, { { "content-TYPE", " Application/JSON ; charset=\"UTF-8\"" } }, -1);
    EXPECT_EQ(response.MIMEType(), "application/json");
    EXPECT_EQ(response.textEncodingName(), "utf-8");
}

}
