#include "net/HTTPRequestOperation.h"

#include "net/HTTPResponseSerializer.h"
#include "net/SecurityPolicy.h"
#include "platform/core/Dispatch.h"
#include "platform/core/FileManager.h"
#include "platform/core/TemporaryFolder.h"
#include "platform/core/NotificationCenter.h"
#include "platform/core/RunLoop.h"
#include "platform/core/Thread.h"
#include "platform/http/HTTPURLResponse.h"
#include "platform/http/OutputStream.h"
#include "platform/http/URLConnection.h"
#include "platform/http/URLError.h"
#include "platform/http/LoopbackServer.h"

#include <arpa/inet.h>
#include <cerrno>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <stdlib.h>
#include <sys/socket.h>
#include <unistd.h>

using namespace net;
using testsupport::Gate;
using testsupport::LoopbackServer;
using testsupport::pumpMainUntil;

namespace {

// What the completion block saw; the block holds it, so its expiry shows the block was released.
struct Outcome {
    int runs = 0;
    bool onMainThread = false;
    int64_t totalBytesRead = -1;
    bool streamClosed = false;
};

class HTTPRequestOperationTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        auto folder = core::TemporaryFolder::create("operation");
        ASSERT_TRUE(folder.ok());
        m_folder = *folder;
        m_dir = m_folder->path();
        m_body = testsupport::patternBytes(300 * 1024);

        auto& s = m_server.server;
        s.Get("/data", [this](const httplib::Request&, httplib::Response& res) {
            m_dataHits++;
            res.set_content(m_body, "application/zip");
        });
        s.Get("/missing", [](const httplib::Request&, httplib::Response& res) {
            res.status = 404;
            res.set_content(notFoundPage, "text/html");
        });
        s.Get("/html", [](const httplib::Request&, httplib::Response& res) { res.set_content("<html>hi</html>", "text/html"); });
        s.Get("/error500", [](const httplib::Request&, httplib::Response& res) {
            res.status = 500;
            res.set_content("<html>boom</html>", "text/html");
        });
        s.Get("/empty", [](const httplib::Request&, httplib::Response& res) { res.set_content("", "text/html"); });
        s.Get("/old", [](const httplib::Request&, httplib::Response& res) { res.set_redirect("/data"); });
        s.Get("/truncated", [this](const httplib::Request&, httplib::Response& res) {
            // Announces the whole body, sends a part, then drops the connection.
            res.set_content_provider(m_body.size(), "application/zip", [this](size_t offset, size_t, httplib::DataSink& sink) {
                if (offset > 0)
                    return false;
                return sink.write(m_body.data(), 64 * 1024);
            });
        });
        s.Get("/slow", [this](const httplib::Request&, httplib::Response& res) {
            m_slowHits++;
            res.set_chunked_content_provider("application/octet-stream", [this](size_t offset, httplib::DataSink& sink) {
                if (offset == 0)
                    return sink.write(m_body.data(), 16 * 1024);
                if (m_gate.wait())
                    sink.done();
                return true;
            });
        });
        m_server.start();
    }

    void TearDown() override
    {
        m_gate.open();
        m_server.stop();
        core::RunLoop::resetMain();
        m_folder.reset();
    }

    std::shared_ptr<HTTPRequestOperation> operation(const std::string& path, std::shared_ptr<http::OutputStream> stream = nullptr)
    {
        auto op = HTTPRequestOperation::create(http::URLRequest::requestWithURL(m_server.url(path)));
        if (stream)
            op->setOutputStream(std::move(stream));
        return op;
    }

    // The block reads the operation through a weak reference, as a caller that keeps none would.
    std::shared_ptr<Outcome> attachCompletion(const std::shared_ptr<HTTPRequestOperation>& op)
    {
        auto outcome = std::make_shared<Outcome>();
        std::weak_ptr<HTTPRequestOperation> weak = op;
        op->setCompletionBlock([outcome, weak] {
            outcome->runs++;
            outcome->onMainThread = &core::RunLoop::current() == &core::RunLoop::main();
            if (auto operation = weak.lock())
                outcome->totalBytesRead = operation->totalBytesRead();
        });
        return outcome;
    }

    std::string filePath() const { return m_dir + "/data.zip"; }

    static constexpr const char* notFoundPage = "<html><body>Not here</body></html>";
    std::string m_dir;
    std::shared_ptr<core::TemporaryFolder> m_folder;
    std::string m_body;
    LoopbackServer m_server;
    Gate m_gate;
    std::atomic<int> m_dataHits { 0 };
    std::atomic<int> m_slowHits { 0 };
};

TEST_F(HTTPRequestOperationTest, StartsWithTheDocumentedDefaults)
{
    auto op = operation("/data");
    EXPECT_EQ(op->state(), OperationReadyState);
    EXPECT_TRUE(op->isReady());
    EXPECT_TRUE(op->isConcurrent());
    EXPECT_FALSE(op->isExecuting() || op->isFinished() || op->isPaused() || op->isCancelled());
    EXPECT_EQ(op->lockName(), "net.networking.operation.lock");
    EXPECT_EQ(op->runLoopModes(), std::set<std::string> { http::RunLoopCommonModes });
    EXPECT_TRUE(op->shouldUseCredentialStorage());
    EXPECT_FALSE(op->credential());
    ASSERT_TRUE(op->securityPolicy());
    EXPECT_EQ(op->securityPolicy()->pinningMode(), SSLPinningMode::None);
    EXPECT_EQ(op->completionQueue(), nullptr);
    EXPECT_FALSE(op->completionGroup());
    EXPECT_FALSE(op->connection());
    EXPECT_FALSE(op->response());
    EXPECT_FALSE(op->error());
    EXPECT_EQ(op->totalBytesRead(), 0);
    auto serializer = op->responseSerializer();
    ASSERT_TRUE(serializer);
    EXPECT_EQ(serializer->stringEncoding(), "utf-8");
    ASSERT_TRUE(serializer->acceptableStatusCodes());
    EXPECT_EQ(serializer->acceptableStatusCodes()->size(), 100u);
    EXPECT_EQ(*serializer->acceptableStatusCodes()->begin(), 200);
    EXPECT_EQ(*serializer->acceptableStatusCodes()->rbegin(), 299);
    EXPECT_FALSE(serializer->acceptableContentTypes());
    // Without a stream set, the body goes to memory.
    EXPECT_TRUE(op->outputStream()->isMemoryStream());
}

TEST_F(HTTPRequestOperationTest, DownloadsToAFileAndHandsTheCompletionToTheMainQueueOnce)
{
    std::vector<std::string> notes;
    std::vector<std::string> keys;
    bool notesOnMain = true;
    auto& center = core::NotificationCenter::defaultCenter();
    const void* expectedObject = nullptr;
    auto startToken = center.addObserver(URLConnectionOperationDidStartNotification, [&](const core::Notification& note) {
        notes.push_back(note.object.get() == expectedObject ? "start" : "start from another object");
        notesOnMain &= &core::RunLoop::current() == &core::RunLoop::main();
    });
    auto finishToken = center.addObserver(URLConnectionOperationDidFinishNotification, [&](const core::Notification& note) {
        notes.push_back(note.object.get() == expectedObject ? "finish" : "finish from another object");
        notesOnMain &= &core::RunLoop::current() == &core::RunLoop::main();
    });

    auto stream = http::OutputStream::outputStreamToFileAtPath(filePath(), false);
    auto op = operation("/data", stream);
    op->setKeyObserver([&keys](const std::string& key) { keys.push_back(key); });
    auto outcome = attachCompletion(op);
    std::weak_ptr<Outcome> weakOutcome = outcome;
    std::weak_ptr<HTTPRequestOperation> weakOp = op;
    expectedObject = static_cast<URLConnectionOperation*>(op.get());
    long pendingBefore = URLConnectionOperation::pendingOperationCount();
    op->start();
    EXPECT_TRUE(op->isExecuting());
    EXPECT_EQ(URLConnectionOperation::pendingOperationCount(), pendingBefore + 1);
    // The caller keeps nothing: the operation lives until its completion has run.
    op.reset();
    ASSERT_TRUE(pumpMainUntil([&] { return outcome->runs > 0; }));

    EXPECT_EQ(outcome->runs, 1);
    EXPECT_EQ(URLConnectionOperation::pendingOperationCount(), pendingBefore);
    EXPECT_TRUE(outcome->onMainThread);
    EXPECT_EQ(outcome->totalBytesRead, static_cast<int64_t>(m_body.size()));
    EXPECT_EQ(stream->streamStatus(), http::OutputStream::Status::Closed);
    EXPECT_TRUE(core::files::contentsAtPath(filePath()) == m_body);

    outcome.reset();
    ASSERT_TRUE(pumpMainUntil([&] { return weakOutcome.expired() && weakOp.expired() && notes.size() == 2; }));
    EXPECT_EQ(notes, (std::vector<std::string> { "start", "finish" }));
    EXPECT_TRUE(notesOnMain);
    EXPECT_EQ(keys, (std::vector<std::string> { "isReady", "isExecuting", "isExecuting", "isFinished" }));
    center.removeObserver(startToken);
    center.removeObserver(finishToken);
}

TEST_F(HTTPRequestOperationTest, FileDownloadKeepsNoBodyInMemory)
{
    auto op = operation("/data", http::OutputStream::outputStreamToFileAtPath(filePath(), false));
    auto outcome = attachCompletion(op);
    op->start();
    ASSERT_TRUE(pumpMainUntil([&] { return outcome->runs > 0; }));
    EXPECT_FALSE(op->error());
    EXPECT_FALSE(op->responseData());
    EXPECT_FALSE(op->responseObject());
    EXPECT_FALSE(op->error());
    auto response = std::dynamic_pointer_cast<const http::HTTPURLResponse>(op->response());
    ASSERT_TRUE(response);
    EXPECT_EQ(response->statusCode(), 200);
    EXPECT_FALSE(op->connection());
}

TEST_F(HTTPRequestOperationTest, DownloadsToMemory)
{
    auto op = operation("/data");
    auto outcome = attachCompletion(op);
    op->start();
    ASSERT_TRUE(pumpMainUntil([&] { return outcome->runs > 0; }));
    EXPECT_FALSE(op->error());
    ASSERT_TRUE(op->responseData());
    EXPECT_TRUE(*op->responseData() == m_body);
    auto object = op->responseObject();
    ASSERT_TRUE(object);
    EXPECT_TRUE(*object == m_body);
    EXPECT_FALSE(op->error());
}

TEST_F(HTTPRequestOperationTest, ProgressBlockSeesEveryChunkOnTheMainQueue)
{
    auto op = operation("/data", http::OutputStream::outputStreamToFileAtPath(filePath(), false));
    uint64_t chunkSum = 0;
    int64_t lastTotal = 0;
    int64_t expected = 0;
    bool inOrderOnMain = true;
    op->setDownloadProgressBlock([&](uint64_t bytes, int64_t total, int64_t totalExpected) {
        chunkSum += bytes;
        inOrderOnMain &= total == static_cast<int64_t>(chunkSum) && &core::RunLoop::current() == &core::RunLoop::main();
        lastTotal = total;
        expected = totalExpected;
    });
    auto outcome = attachCompletion(op);
    op->start();
    ASSERT_TRUE(pumpMainUntil([&] { return outcome->runs > 0; }));
    EXPECT_TRUE(inOrderOnMain);
    EXPECT_EQ(chunkSum, m_body.size());
    EXPECT_EQ(lastTotal, static_cast<int64_t>(m_body.size()));
    EXPECT_EQ(expected, static_cast<int64_t>(m_body.size()));
    EXPECT_EQ(op->totalBytesRead(), static_cast<int64_t>(m_body.size()));
}

TEST_F(HTTPRequestOperationTest, ErrorStatusIsNoFailureUntilTheResponseObjectIsAskedFor)
{
    auto toFile = operation("/missing", http::OutputStream::outputStreamToFileAtPath(filePath(), false));
    auto toMemory = operation("/missing");
    auto fileOutcome = attachCompletion(toFile);
    auto memoryOutcome = attachCompletion(toMemory);
    toFile->start();
    toMemory->start();
    ASSERT_TRUE(pumpMainUntil([&] { return fileOutcome->runs > 0 && memoryOutcome->runs > 0; }));

    EXPECT_EQ(core::files::contentsAtPath(filePath()), notFoundPage);
    for (auto& op : { toFile, toMemory }) {
        EXPECT_FALSE(op->error());
        EXPECT_FALSE(op->responseSerializationError());
        op->responseObject();
        auto error = op->error();
        ASSERT_TRUE(error);
        EXPECT_EQ(error->domain, "net.error.serialization.response");
        EXPECT_EQ(error->code, -1011);
        EXPECT_EQ(error->localizedDescription, "Request failed: not found (404)");
        EXPECT_EQ(error->userInfo.at(http::LocalizedDescriptionKey), "Request failed: not found (404)");
        EXPECT_EQ(error->userInfo.at(http::URLErrorFailingURLErrorKey), m_server.url("/missing"));
        EXPECT_NE(error->userInfo.at("net.serialization.response.error.response").find("404"), std::string::npos);
        EXPECT_FALSE(error->underlying);
        EXPECT_EQ(op->responseSerializationError()->code, -1011);
    }
    // Only a body in memory travels with the error; the response object is that body, unchanged.
    EXPECT_FALSE(toFile->error()->userInfo.contains("net.serialization.response.error.data"));
    EXPECT_EQ(toMemory->error()->userInfo.at("net.serialization.response.error.data"), notFoundPage);
    EXPECT_EQ(toMemory->responseObject(), notFoundPage);

    // A new serializer forgets the verdict of the old one.
    auto lenient = HTTPResponseSerializer::serializer();
    lenient->setAcceptableStatusCodes(std::nullopt);
    toMemory->setResponseSerializer(lenient);
    EXPECT_FALSE(toMemory->error());
    EXPECT_EQ(toMemory->responseObject(), notFoundPage);
    EXPECT_FALSE(toMemory->error());
}

TEST_F(HTTPRequestOperationTest, UnacceptableContentTypeMakesAnErrorCarriedByAStatusError)
{
    auto wrongType = operation("/html");
    auto wrongTypeAndStatus = operation("/error500");
    auto outcomeA = attachCompletion(wrongType);
    auto outcomeB = attachCompletion(wrongTypeAndStatus);
    for (auto& op : { wrongType, wrongTypeAndStatus }) {
        op->responseSerializer()->setAcceptableContentTypes(std::set<std::string> { "application/zip" });
        op->start();
    }
    ASSERT_TRUE(pumpMainUntil([&] { return outcomeA->runs > 0 && outcomeB->runs > 0; }));

    wrongType->responseObject();
    auto typeError = wrongType->error();
    ASSERT_TRUE(typeError);
    EXPECT_EQ(typeError->domain, "net.error.serialization.response");
    EXPECT_EQ(typeError->code, -1016);
    EXPECT_EQ(typeError->localizedDescription, "Request failed: unacceptable content-type: text/html");
    EXPECT_EQ(typeError->userInfo.at("net.serialization.response.error.data"), "<html>hi</html>");

    wrongTypeAndStatus->responseObject();
    auto statusError = wrongTypeAndStatus->error();
    ASSERT_TRUE(statusError);
    EXPECT_EQ(statusError->code, -1011);
    EXPECT_EQ(statusError->localizedDescription, "Request failed: internal server error (500)");
    ASSERT_TRUE(statusError->underlying);
    EXPECT_EQ(statusError->underlying->code, -1016);
    EXPECT_EQ(statusError->underlying->domain, "net.error.serialization.response");
}

TEST_F(HTTPRequestOperationTest, EmptyBodyWithUnacceptableTypeMakesNoError)
{
    auto op = operation("/empty");
    auto outcome = attachCompletion(op);
    op->responseSerializer()->setAcceptableContentTypes(std::set<std::string> { "application/zip" });
    op->start();
    ASSERT_TRUE(pumpMainUntil([&] { return outcome->runs > 0; }));
    ASSERT_TRUE(op->response());
    EXPECT_EQ(op->response()->MIMEType(), "text/html");
    EXPECT_EQ(op->responseObject(), "");
    EXPECT_FALSE(op->error());
    EXPECT_FALSE(op->responseSerializer()->validateResponse(op->response(), op->responseData(), nullptr));
}

TEST_F(HTTPRequestOperationTest, FollowsARedirectThroughTheRedirectHook)
{
    auto op = operation("/old");
    auto outcome = attachCompletion(op);
    std::vector<int> redirectStatuses;
    op->setRedirectResponseBlock([&redirectStatuses](http::URLConnection&, const http::URLRequest& request,
                                     const std::shared_ptr<const http::URLResponse>& response) -> std::optional<http::URLRequest> {
        auto http = std::dynamic_pointer_cast<const http::HTTPURLResponse>(response);
        redirectStatuses.push_back(http ? http->statusCode() : 0);
        return request;
    });
    op->start();
    ASSERT_TRUE(pumpMainUntil([&] { return outcome->runs > 0; }));
    EXPECT_EQ(redirectStatuses, std::vector<int> { 302 });
    EXPECT_FALSE(op->error());
    EXPECT_EQ(op->response()->URL(), m_server.url("/data"));
    EXPECT_TRUE(op->responseData() == m_body);
    EXPECT_EQ(m_dataHits, 1);
}

TEST_F(HTTPRequestOperationTest, RefusedPortFailsAndLeavesAnEmptyFile)
{
    testsupport::RefusingPort refusing;
    ASSERT_TRUE(refusing.ok());
    std::string url = refusing.url("/data.zip");

    auto op = HTTPRequestOperation::create(http::URLRequest::requestWithURL(url));
    op->setOutputStream(http::OutputStream::outputStreamToFileAtPath(filePath(), false));
    auto outcome = attachCompletion(op);
    op->start();
    ASSERT_TRUE(pumpMainUntil([&] { return outcome->runs > 0; }));

    auto error = op->error();
    ASSERT_TRUE(error);
    EXPECT_EQ(error->domain, http::URLErrorDomain);
    EXPECT_EQ(error->code, http::URLErrorCannotConnectToHost);
    EXPECT_TRUE(op->isFinished());
    EXPECT_EQ(core::files::contentsAtPath(filePath()), "");
}

TEST_F(HTTPRequestOperationTest, ConnectionDroppedMidwayFailsWithTheBytesSoFar)
{
    auto op = operation("/truncated", http::OutputStream::outputStreamToFileAtPath(filePath(), false));
    auto outcome = attachCompletion(op);
    op->start();
    ASSERT_TRUE(pumpMainUntil([&] { return outcome->runs > 0; }));
    auto error = op->error();
    ASSERT_TRUE(error);
    EXPECT_EQ(error->domain, http::URLErrorDomain);
    EXPECT_EQ(error->code, http::URLErrorNetworkConnectionLost);
    auto saved = core::files::contentsAtPath(filePath());
    ASSERT_TRUE(saved);
    EXPECT_LT(saved->size(), m_body.size());
    EXPECT_TRUE(*saved == m_body.substr(0, saved->size()));
    EXPECT_EQ(outcome->totalBytesRead, static_cast<int64_t>(saved->size()));
}

TEST_F(HTTPRequestOperationTest, CancelMidwayFinishesWithCancelledError)
{
    auto op = operation("/slow", http::OutputStream::outputStreamToFileAtPath(filePath(), false));
    auto outcome = attachCompletion(op);
    op->start();
    ASSERT_TRUE(pumpMainUntil([&] { return op->totalBytesRead() > 0; }));
    op->cancel();
    EXPECT_TRUE(op->isCancelled());
    ASSERT_TRUE(pumpMainUntil([&] { return outcome->runs > 0; }));

    auto error = op->error();
    ASSERT_TRUE(error);
    EXPECT_EQ(error->domain, http::URLErrorDomain);
    EXPECT_EQ(error->code, -999);
    EXPECT_EQ(error->userInfo.at(http::URLErrorFailingURLErrorKey), m_server.url("/slow"));
    EXPECT_TRUE(op->isFinished());
    EXPECT_EQ(outcome->runs, 1);
    EXPECT_EQ(core::files::contentsAtPath(filePath()), m_body.substr(0, 16 * 1024));
}

TEST_F(HTTPRequestOperationTest, StartAfterCancelMakesNoConnection)
{
    auto op = operation("/data", http::OutputStream::outputStreamToFileAtPath(filePath(), false));
    std::vector<std::string> keys;
    op->setKeyObserver([&keys](const std::string& key) { keys.push_back(key); });
    auto outcome = attachCompletion(op);
    op->cancel();
    EXPECT_TRUE(op->isCancelled());
    EXPECT_FALSE(op->isFinished());
    op->start();
    ASSERT_TRUE(pumpMainUntil([&] { return outcome->runs > 0; }));

    EXPECT_EQ(m_dataHits, 0);
    EXPECT_FALSE(core::files::fileExistsAtPath(filePath()));
    auto error = op->error();
    ASSERT_TRUE(error);
    EXPECT_EQ(error->domain, http::URLErrorDomain);
    EXPECT_EQ(error->code, http::URLErrorCancelled);
    EXPECT_EQ(error->userInfo.at(http::URLErrorFailingURLErrorKey), m_server.url("/data"));
    // Straight from ready to finished.
    EXPECT_EQ(keys, (std::vector<std::string> { "isCancelled", "isReady", "isFinished" }));
    EXPECT_EQ(outcome->runs, 1);
}

TEST_F(HTTPRequestOperationTest, SecondStartIsIgnored)
{
    auto op = operation("/slow");
    auto outcome = attachCompletion(op);
    op->start();
    op->start();
    ASSERT_TRUE(pumpMainUntil([&] { return op->totalBytesRead() > 0; }));
    op->start();
    m_gate.open();
    ASSERT_TRUE(pumpMainUntil([&] { return outcome->runs > 0; }));
    EXPECT_EQ(m_slowHits, 1);
    EXPECT_FALSE(op->error());
    EXPECT_EQ(op->responseData(), m_body.substr(0, 16 * 1024));
    op->start();
    EXPECT_TRUE(op->isFinished());
}

TEST_F(HTTPRequestOperationTest, CancelAfterFinishChangesNothing)
{
    auto op = operation("/data");
    auto outcome = attachCompletion(op);
    op->start();
    ASSERT_TRUE(pumpMainUntil([&] { return outcome->runs > 0; }));
    op->cancel();
    EXPECT_FALSE(op->isCancelled());
    EXPECT_TRUE(op->isFinished());
    // Give a wrongly scheduled cancel step the chance to run: one more round trip to the network thread.
    auto probe = operation("/data");
    auto probeOutcome = attachCompletion(probe);
    probe->start();
    ASSERT_TRUE(pumpMainUntil([&] { return probeOutcome->runs > 0; }));
    EXPECT_FALSE(op->error());
    EXPECT_EQ(outcome->runs, 1);
}

TEST_F(HTTPRequestOperationTest, FileStreamInAMissingFolderFailsWithTheStreamError)
{
    auto op = operation("/data", http::OutputStream::outputStreamToFileAtPath(m_dir + "/absent/data.zip", false));
    auto outcome = attachCompletion(op);
    op->start();
    ASSERT_TRUE(pumpMainUntil([&] { return outcome->runs > 0; }));
    auto error = op->error();
    ASSERT_TRUE(error);
    EXPECT_EQ(error->domain, http::POSIXErrorDomain);
    EXPECT_EQ(error->code, ENOENT);
    EXPECT_EQ(outcome->runs, 1);
    EXPECT_FALSE(core::files::fileExistsAtPath(m_dir + "/absent"));
}

TEST_F(HTTPRequestOperationTest, StreamThatStopsTakingBytesFailsTheOperation)
{
    auto buffer = http::OutputStream::outputStreamToBuffer(1000);
    auto op = operation("/data", buffer);
    auto outcome = attachCompletion(op);
    op->start();
    ASSERT_TRUE(pumpMainUntil([&] { return outcome->runs > 0; }));
    auto error = op->error();
    ASSERT_TRUE(error);
    EXPECT_EQ(error->domain, http::POSIXErrorDomain);
    EXPECT_EQ(error->code, ENOSPC);
    EXPECT_TRUE(buffer->dataWrittenToMemory() == m_body.substr(0, 1000));
}

TEST_F(HTTPRequestOperationTest, CompletionBlockHoldingTheOperationIsReleasedWithIt)
{
    auto op = operation("/data");
    std::weak_ptr<HTTPRequestOperation> weakOp = op;
    auto captured = std::make_shared<int>(0);
    std::weak_ptr<int> weakCaptured = captured;
    // A strong reference to the operation from its own block: a cycle until the block is cleared.
    op->setCompletionBlock([op, captured] { (*captured)++; });
    op->start();
    op.reset();
    ASSERT_TRUE(pumpMainUntil([&] { return *captured > 0; }));
    captured.reset();
    ASSERT_TRUE(pumpMainUntil([&] { return weakOp.expired() && weakCaptured.expired(); }));
}

TEST_F(HTTPRequestOperationTest, CompletionRunsOnTheGivenQueueAndGroup)
{
    auto op = operation("/data");
    auto group = dispatch::Group::create();
    op->setCompletionQueue(&dispatch::globalQueue());
    op->setCompletionGroup(group);
    std::atomic<int> runs { 0 };
    std::atomic<bool> onMain { true };
    auto done = std::make_shared<Gate>();
    op->setCompletionBlock([&runs, &onMain, done] {
        onMain = &core::RunLoop::current() == &core::RunLoop::main();
        runs++;
        done->open();
    });
    op->start();
    // Nothing here pumps the main loop: the block must not need it.
    ASSERT_TRUE(done->wait());
    EXPECT_TRUE(group->wait(10));
    EXPECT_FALSE(onMain);
    EXPECT_EQ(runs, 1);
    auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (op->completionBlock() && std::chrono::steady_clock::now() < deadline)
        std::this_thread::yield();
    EXPECT_FALSE(op->completionBlock());
}

TEST_F(HTTPRequestOperationTest, SettingNoCompletionBlockClearsTheSlot)
{
    auto op = operation("/data");
    auto outcome = attachCompletion(op);
    EXPECT_TRUE(op->completionBlock());
    op->setCompletionBlock(nullptr);
    EXPECT_FALSE(op->completionBlock());
    op->start();
    ASSERT_TRUE(pumpMainUntil([&] { return op->isFinished(); }));
    auto probe = operation("/data");
    auto probeOutcome = attachCompletion(probe);
    probe->start();
    ASSERT_TRUE(pumpMainUntil([&] { return probeOutcome->runs > 0; }));
    EXPECT_EQ(outcome->runs, 0);
}

TEST_F(HTTPRequestOperationTest, AllTransfersRunOnTheNetworkingThread)
{
    auto first = URLConnectionOperation::networkRequestThread();
    ASSERT_TRUE(first);
    EXPECT_EQ(first->name(), "Networking");
    EXPECT_EQ(URLConnectionOperation::networkRequestThread(), first);
    std::set<std::thread::id> threads;
    std::mutex mutex;
    std::vector<std::shared_ptr<Outcome>> outcomes;
    for (int i = 0; i < 6; i++) {
        auto op = operation("/old");
        op->setRedirectResponseBlock([&](http::URLConnection&, const http::URLRequest& request, const std::shared_ptr<const http::URLResponse>&) {
            std::lock_guard lock(mutex);
            threads.insert(std::this_thread::get_id());
            return std::optional<http::URLRequest>(request);
        });
        outcomes.push_back(attachCompletion(op));
        op->start();
    }
    ASSERT_TRUE(pumpMainUntil([&] {
        return std::all_of(outcomes.begin(), outcomes.end(), [](auto& o) { return o->runs > 0; });
    }));
    EXPECT_EQ(threads, std::set<std::thread::id> { first->id() });
}

}
