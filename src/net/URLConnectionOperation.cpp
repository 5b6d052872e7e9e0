#include "net/URLConnectionOperation.h"

#include "net/ChunkWriter.h"
#include "net/SecurityPolicy.h"
#include "net/SharedNetworking.h"
#include "net/StateTransition.h"
#include "platform/core/Dispatch.h"
#include "platform/core/NotificationCenter.h"
#include "platform/core/RunLoop.h"
#include "platform/core/Thread.h"
#include "platform/http/OutputStream.h"
#include "platform/http/URLConnection.h"
#include "platform/http/URLError.h"
#include "platform/http/URLResponse.h"

namespace net {

namespace {

void postOnMain(const char* name, std::shared_ptr<void> object)
{
    dispatch::mainQueue().async([name, object = std::move(object)] {
        core::NotificationCenter::defaultCenter().postNotificationName(name, object);
    });
}

}

URLConnectionOperation::URLConnectionOperation(http::URLRequest request)
    : m_runLoopModes { http::RunLoopCommonModes }
    , m_request(std::move(request))
    , m_securityPolicy(SecurityPolicy::defaultPolicy())
{
}

std::shared_ptr<URLConnectionOperation> URLConnectionOperation::create(http::URLRequest request)
{
    return std::shared_ptr<URLConnectionOperation>(new URLConnectionOperation(std::move(request)));
}

URLConnectionOperation::~URLConnectionOperation()
{
    if (m_outputStream)
        m_outputStream->close();
}

std::shared_ptr<core::Thread> URLConnectionOperation::networkRequestThread()
{
    return SharedNetworking::thread();
}

long URLConnectionOperation::pendingOperationCount()
{
    return SharedNetworking::pendingCount();
}

long URLConnectionOperation::state() const
{
    std::lock_guard lock(m_lock);
    return m_state;
}

std::set<std::string> URLConnectionOperation::runLoopModes() const
{
    std::lock_guard lock(m_lock);
    return m_runLoopModes;
}

void URLConnectionOperation::setRunLoopModes(std::set<std::string> modes)
{
    std::lock_guard lock(m_lock);
    m_runLoopModes = std::move(modes);
}

std::shared_ptr<const http::URLResponse> URLConnectionOperation::response() const
{
    std::lock_guard lock(m_lock);
    return m_response;
}

std::optional<core::Error> URLConnectionOperation::error() const
{
    std::lock_guard lock(m_lock);
    return m_error;
}

std::optional<std::string> URLConnectionOperation::responseData() const
{
    std::lock_guard lock(m_lock);
    return m_responseData;
}

std::shared_ptr<http::OutputStream> URLConnectionOperation::outputStream()
{
    std::lock_guard lock(m_lock);
    if (!m_outputStream)
        m_outputStream = http::OutputStream::outputStreamToMemory();
    return m_outputStream;
}

void URLConnectionOperation::setOutputStream(std::shared_ptr<http::OutputStream> stream)
{
    std::lock_guard lock(m_lock);
    if (stream == m_outputStream)
        return;
    if (m_outputStream)
        m_outputStream->close();
    m_outputStream = std::move(stream);
}

int64_t URLConnectionOperation::totalBytesRead() const
{
    return m_progress.totalBytesRead();
}

std::shared_ptr<http::URLConnection> URLConnectionOperation::connection() const
{
    std::lock_guard lock(m_lock);
    return m_connection;
}

bool URLConnectionOperation::shouldUseCredentialStorage() const
{
    std::lock_guard lock(m_lock);
    return m_shouldUseCredentialStorage;
}

void URLConnectionOperation::setShouldUseCredentialStorage(bool use)
{
    std::lock_guard lock(m_lock);
    m_shouldUseCredentialStorage = use;
}

std::optional<URLConnectionOperation::Credential> URLConnectionOperation::credential() const
{
    std::lock_guard lock(m_lock);
    return m_credential;
}

void URLConnectionOperation::setCredential(std::optional<Credential> credential)
{
    std::lock_guard lock(m_lock);
    m_credential = std::move(credential);
}

std::shared_ptr<SecurityPolicy> URLConnectionOperation::securityPolicy() const
{
    std::lock_guard lock(m_lock);
    return m_securityPolicy;
}

void URLConnectionOperation::setSecurityPolicy(std::shared_ptr<SecurityPolicy> policy)
{
    std::lock_guard lock(m_lock);
    m_securityPolicy = std::move(policy);
}

dispatch::Queue* URLConnectionOperation::completionQueue() const
{
    std::lock_guard lock(m_lock);
    return m_completionQueue;
}

void URLConnectionOperation::setCompletionQueue(dispatch::Queue* queue)
{
    std::lock_guard lock(m_lock);
    m_completionQueue = queue;
}

std::shared_ptr<dispatch::Group> URLConnectionOperation::completionGroup() const
{
    std::lock_guard lock(m_lock);
    return m_completionGroup;
}

void URLConnectionOperation::setCompletionGroup(std::shared_ptr<dispatch::Group> group)
{
    std::lock_guard lock(m_lock);
    m_completionGroup = std::move(group);
}

std::map<std::string, std::string> URLConnectionOperation::userInfo() const
{
    std::lock_guard lock(m_lock);
    return m_userInfo;
}

void URLConnectionOperation::setUserInfo(std::map<std::string, std::string> info)
{
    std::lock_guard lock(m_lock);
    m_userInfo = std::move(info);
}

void URLConnectionOperation::setDownloadProgressBlock(DownloadProgressBlock block)
{
    m_progress.setBlock(std::move(block));
}

void URLConnectionOperation::setRedirectResponseBlock(RedirectResponseBlock block)
{
    std::lock_guard lock(m_lock);
    m_redirectResponse = std::move(block);
}

bool URLConnectionOperation::isReady() const
{
    return state() == OperationReadyState && core::Operation::isReady();
}

bool URLConnectionOperation::isExecuting() const
{
    return state() == OperationExecutingState;
}

bool URLConnectionOperation::isFinished() const
{
    return state() == OperationFinishedState;
}

bool URLConnectionOperation::isPaused() const
{
    return state() == OperationPausedState;
}

void URLConnectionOperation::setState(long state)
{
    if (!StateTransition::isValid(this->state(), state, isCancelled()))
        return;
    std::lock_guard lock(m_lock);
    std::string oldKey = StateTransition::keyPath(m_state);
    std::string newKey = StateTransition::keyPath(state);
    willChangeValueForKey(newKey);
    willChangeValueForKey(oldKey);
    m_state = state;
    didChangeValueForKey(oldKey);
    didChangeValueForKey(newKey);
}

void URLConnectionOperation::setCompletionBlock(std::function<void()> block)
{
    std::lock_guard lock(m_lock);
    if (!block) {
        core::Operation::setCompletionBlock(nullptr);
        return;
    }
    std::weak_ptr<URLConnectionOperation> weak = self();
    core::Operation::setCompletionBlock([weak, block = std::move(block)] {
        auto strong = weak.lock();
        if (!strong)
            return;
        auto group = strong->completionGroup();
        if (!group)
            group = SharedNetworking::completionGroup();
        dispatch::Queue* queue = strong->completionQueue();
        if (!queue)
            queue = &dispatch::mainQueue();
        group->async(*queue, [block, strong] {
            block();
            SharedNetworking::leavePending(strong->m_pending);
        });
        // Releases the caller's block, and what it holds, once it has run.
        group->notify(dispatch::globalQueue(), [strong] { strong->setCompletionBlock(nullptr); });
    });
}

void URLConnectionOperation::start()
{
    std::lock_guard lock(m_lock);
    auto thread = networkRequestThread();
    if (isCancelled()) {
        if (!isFinished())
            SharedNetworking::enterPending(m_pending);
        thread->perform([self = self()] { self->cancelConnection(); });
    } else if (isReady()) {
        SharedNetworking::enterPending(m_pending);
        setState(OperationExecutingState);
        thread->perform([self = self()] { self->operationDidStart(); });
    }
}

void URLConnectionOperation::operationDidStart()
{
    {
        std::lock_guard lock(m_lock);
        if (!isCancelled()) {
            auto connection = http::URLConnection::create(m_request, self(), http::URLConnection::StartImmediately::No);
            m_connection = connection;
            auto stream = outputStream();
            core::RunLoop& loop = core::RunLoop::current();
            for (auto& mode : m_runLoopModes) {
                connection->scheduleInRunLoop(loop, mode);
                stream->scheduleInRunLoop(loop, mode);
            }
            stream->open();
            connection->start();
        }
    }
    postOnMain(URLConnectionOperationDidStartNotification, self());
}

void URLConnectionOperation::finish()
{
    {
        std::lock_guard lock(m_lock);
        // With no block to wait for, the operation is done with once it finishes.
        if (!completionBlock() && !isFinished())
            SharedNetworking::leavePending(m_pending);
        setState(OperationFinishedState);
    }
    postOnMain(URLConnectionOperationDidFinishNotification, self());
}

void URLConnectionOperation::cancel()
{
    std::lock_guard lock(m_lock);
    if (isFinished() || isCancelled())
        return;
    core::Operation::cancel();
    if (isExecuting())
        networkRequestThread()->perform([self = self()] { self->cancelConnection(); });
}

void URLConnectionOperation::cancelConnection()
{
    auto error = http::makeURLError(http::URLErrorCancelled, m_request.URL());
    if (isFinished())
        return;
    if (auto connection = this->connection()) {
        connection->cancel();
        didFailWithError(*connection, error);
    } else {
        {
            std::lock_guard lock(m_lock);
            m_error = error;
        }
        finish();
    }
}

std::optional<http::URLRequest> URLConnectionOperation::willSendRequest(http::URLConnection& connection, const http::URLRequest& request,
    const std::shared_ptr<const http::URLResponse>& redirectResponse)
{
    RedirectResponseBlock block;
    {
        std::lock_guard lock(m_lock);
        block = m_redirectResponse;
    }
    if (block)
        return block(connection, request, redirectResponse);
    return request;
}

void URLConnectionOperation::didReceiveResponse(http::URLConnection&, const std::shared_ptr<const http::URLResponse>& response)
{
    std::lock_guard lock(m_lock);
    m_response = response;
}

void URLConnectionOperation::didReceiveData(http::URLConnection& connection, std::string_view data)
{
    auto keepAlive = self();
    if (auto failure = ChunkWriter::write(*outputStream(), data)) {
        connection.cancel();
        didFailWithError(connection, *failure);
        return;
    }
    m_progress.addBytes(data.size(), keepAlive, [keepAlive] {
        auto response = keepAlive->response();
        return response ? response->expectedContentLength() : -1;
    });
}

void URLConnectionOperation::connectionDidFinishLoading(http::URLConnection&)
{
    auto keepAlive = self();
    if (isFinished())
        return;
    {
        std::lock_guard lock(m_lock);
        auto stream = outputStream();
        m_responseData = stream->dataWrittenToMemory();
        stream->close();
        if (m_responseData)
            m_outputStream.reset();
        m_connection.reset();
    }
    finish();
}

void URLConnectionOperation::didFailWithError(http::URLConnection&, const core::Error& error)
{
    auto keepAlive = self();
    if (isFinished())
        return;
    {
        std::lock_guard lock(m_lock);
        m_error = error;
        auto stream = outputStream();
        stream->close();
        if (m_responseData)
            m_outputStream.reset();
        m_connection.reset();
    }
    finish();
}

}
