#pragma once
#include "platform/core/Error.h"
#include "net/TransferProgress.h"
#include "platform/core/Operation.h"
#include "platform/http/URLConnectionDelegate.h"
#include "platform/http/URLRequest.h"

#include <atomic>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <set>
#include <string>

namespace core {
class Thread;
}

namespace dispatch {
class Group;
class Queue;
}

namespace http {
class OutputStream;
class URLConnection;
class URLResponse;
}

namespace net {

class SecurityPolicy;

// Posted on the main queue; the notification's object is the operation (a URLConnectionOperation).
inline constexpr const char* URLConnectionOperationDidStartNotification = "net.networking.operation.start";
inline constexpr const char* URLConnectionOperationDidFinishNotification = "net.networking.operation.finish";

enum OperationState : long {
    OperationPausedState = -1,
    OperationReadyState = 1,
    OperationExecutingState = 2,
    OperationFinishedState = 3,
};

// Runs one URL connection on the shared network thread and writes the body, chunk by chunk, to
// its output stream. Asynchronous: start() returns at once; when the connection ends, however
// it ends, the operation finishes and its completion block runs once on the completion queue
// (the main queue unless set) and is released afterwards. The operation keeps itself alive
// until then, so callers need not hold it.
class URLConnectionOperation : public core::Operation, public http::URLConnectionDelegate {
public:
    struct Credential {
        std::string user;
        std::string password;
    };
    using DownloadProgressBlock = TransferProgress::Block;
    using RedirectResponseBlock = std::function<std::optional<http::URLRequest>(
        http::URLConnection&, const http::URLRequest&, const std::shared_ptr<const http::URLResponse>&)>;

    static std::shared_ptr<URLConnectionOperation> create(http::URLRequest request);
    ~URLConnectionOperation() override;

    // The one thread, named "Networking", that runs every operation's connection.
    static std::shared_ptr<core::Thread> networkRequestThread();
    // Operations started whose completion block has not yet returned (or, with no block, that
    // have not yet finished): a front end waiting for quiet waits for this to reach zero.
    static long pendingOperationCount();

    long state() const;
    const std::string& lockName() const { return m_lockName; }
    std::set<std::string> runLoopModes() const;
    void setRunLoopModes(std::set<std::string> modes);
    const http::URLRequest& request() const { return m_request; }
    std::shared_ptr<const http::URLResponse> response() const;
    virtual std::optional<core::Error> error() const;
    std::optional<std::string> responseData() const;
    // A memory stream is made on first use when none was set.
    std::shared_ptr<http::OutputStream> outputStream();
    void setOutputStream(std::shared_ptr<http::OutputStream> stream);
    // Updated on the main queue, so it may lag behind the transfer.
    int64_t totalBytesRead() const;
    std::shared_ptr<http::URLConnection> connection() const;

    bool shouldUseCredentialStorage() const;
    void setShouldUseCredentialStorage(bool use);
    std::optional<Credential> credential() const;
    void setCredential(std::optional<Credential> credential);
    std::shared_ptr<SecurityPolicy> securityPolicy() const;
    void setSecurityPolicy(std::shared_ptr<SecurityPolicy> policy);
    // Null: the main queue, and one group shared by all operations.
    dispatch::Queue* completionQueue() const;
    void setCompletionQueue(dispatch::Queue* queue);
    std::shared_ptr<dispatch::Group> completionGroup() const;
    void setCompletionGroup(std::shared_ptr<dispatch::Group> group);
    std::map<std::string, std::string> userInfo() const;
    void setUserInfo(std::map<std::string, std::string> info);
    std::optional<long> backgroundTaskIdentifier() const { return std::nullopt; }

    // Called on the main queue after each chunk was written.
    void setDownloadProgressBlock(DownloadProgressBlock block);
    // Decides where a redirect goes (none: not followed). Called on the network thread.
    void setRedirectResponseBlock(RedirectResponseBlock block);

    void start() override;
    void cancel() override;
    void setCompletionBlock(std::function<void()> block) override;
    bool isReady() const override;
    bool isExecuting() const override;
    bool isFinished() const override;
    bool isPaused() const;
    bool isConcurrent() const override { return true; }

    // Connection callbacks, on the network thread.
    std::optional<http::URLRequest> willSendRequest(http::URLConnection& connection, const http::URLRequest& request,
        const std::shared_ptr<const http::URLResponse>& redirectResponse) override;
    void didReceiveResponse(http::URLConnection& connection, const std::shared_ptr<const http::URLResponse>& response) override;
    void didReceiveData(http::URLConnection& connection, std::string_view data) override;
    void connectionDidFinishLoading(http::URLConnection& connection) override;
    void didFailWithError(http::URLConnection& connection, const core::Error& error) override;

protected:
    explicit URLConnectionOperation(http::URLRequest request);
    std::shared_ptr<URLConnectionOperation> self() { return std::static_pointer_cast<URLConnectionOperation>(shared_from_this()); }

    // Guards the state, the output stream and the response data; recursive because locked
    // members call each other (finish() sets the state).
    mutable std::recursive_mutex m_lock;

private:
    void setState(long state);
    void operationDidStart();
    void cancelConnection();
    void finish();

    const std::string m_lockName = "net.networking.operation.lock";
    long m_state = OperationReadyState;
    std::set<std::string> m_runLoopModes;
    http::URLRequest m_request;
    std::shared_ptr<const http::URLResponse> m_response;
    std::optional<core::Error> m_error;
    std::optional<std::string> m_responseData;
    std::shared_ptr<http::OutputStream> m_outputStream;
    // Whether this operation counts among the pending ones (SharedNetworking).
    std::atomic<bool> m_pending { false };
    std::shared_ptr<http::URLConnection> m_connection;
    bool m_shouldUseCredentialStorage = true;
    std::optional<Credential> m_credential;
    std::shared_ptr<SecurityPolicy> m_securityPolicy;
    dispatch::Queue* m_completionQueue = nullptr;
    std::shared_ptr<dispatch::Group> m_completionGroup;
    std::map<std::string, std::string> m_userInfo;
    TransferProgress m_progress;
    RedirectResponseBlock m_redirectResponse;
};

}
