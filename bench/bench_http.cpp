// Downloads a 256 MB file from a loopback server to disk with net::HTTPRequestOperation and
// with the curl command-line tool, in the same run, and prints both throughputs, their ratio
// and the operation's peak memory growth. The two alternate, and so does which goes first.
#include "BenchHome.h"
#include "net/HTTPRequestOperation.h"
#include "platform/core/RunLoop.h"
#include "platform/http/OutputStream.h"

#include <httplib.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <fstream>
#include <string>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace {

constexpr size_t fileSize = 256u * 1024 * 1024;
constexpr size_t serveChunk = 1024 * 1024;
constexpr int rounds = 5;

long statusKilobytes(const char* field)
{
    std::ifstream status("/proc/self/status");
    std::string line;
    size_t n = strlen(field);
    while (std::getline(status, line))
        if (line.compare(0, n, field) == 0)
            return std::atol(line.c_str() + n + 1);
    return -1;
}

// Resets VmHWM to the current RSS, so the next reading is the peak of what follows.
void resetPeak()
{
    if (FILE* f = fopen("/proc/self/clear_refs", "w")) {
        fputs("5", f);
        fclose(f);
    }
}

double now()
{
    return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

off_t sizeOf(const std::string& path)
{
    struct stat st {};
    return stat(path.c_str(), &st) == 0 ? st.st_size : -1;
}

bool makeSource(const std::string& path)
{
    int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (fd < 0)
        return false;
    std::string block(serveChunk, '\0');
    uint32_t x = 2463534242u;
    for (size_t written = 0; written < fileSize; written += block.size()) {
        for (auto& c : block) {
            x ^= x << 13;
            x ^= x >> 17;
            x ^= x << 5;
            c = static_cast<char>(x);
        }
        if (write(fd, block.data(), block.size()) != static_cast<ssize_t>(block.size())) {
            close(fd);
            return false;
        }
    }
    close(fd);
    return true;
}

struct Run {
    double seconds = 0;
    bool ok = false;
    long peakGrowthKb = 0;
};

Run runOperation(const std::string& url, const std::string& dest)
{
    Run run;
    long before = statusKilobytes("VmRSS:");
    resetPeak();
    std::atomic<bool> done { false };
    double start = now();
    {
        auto op = net::HTTPRequestOperation::create(http::URLRequest::requestWithURL(url));
        op->setOutputStream(http::OutputStream::outputStreamToFileAtPath(dest, false));
        std::weak_ptr<net::HTTPRequestOperation> weak = op;
        op->setCompletionBlock([&done, &run, weak] {
            if (auto finished = weak.lock())
                run.ok = !finished->error();
            done = true;
        });
        op->start();
    }
    double deadline = start + 600;
    while (!done && now() < deadline)
        core::RunLoop::main().runOnce(0.05);
    run.seconds = now() - start;
    run.peakGrowthKb = statusKilobytes("VmHWM:") - before;
    run.ok = run.ok && done && sizeOf(dest) == static_cast<off_t>(fileSize);
    return run;
}

Run runCurlTool(const std::string& url, const std::string& dest)
{
    Run run;
    double start = now();
    pid_t pid = fork();
    if (pid == 0) {
        execlp("curl", "curl", "-s", "-S", "-f", "-o", dest.c_str(), url.c_str(), static_cast<char*>(nullptr));
        _exit(127);
    }
    int status = 0;
    waitpid(pid, &status, 0);
    run.seconds = now() - start;
    run.ok = WIFEXITED(status) && WEXITSTATUS(status) == 0 && sizeOf(dest) == static_cast<off_t>(fileSize);
    return run;
}

}

int main(int argc, char** argv)
{
    auto folder = makeBenchFolder("http");
    if (!folder)
        return 1;
    std::string dir = folder->path();
    std::string source = dir + "/source.bin";
    if (!makeSource(source)) {
        fprintf(stderr, "cannot write %s\n", source.c_str());
        return 1;
    }
    if (setupOnly(argc, argv))
        return 0;

    // Served a chunk at a time from the file, so the server adds little to this process's memory.
    httplib::Server server;
    server.Get("/data.zip", [&source](const httplib::Request&, httplib::Response& res) {
        auto fd = std::make_shared<int>(open(source.c_str(), O_RDONLY));
        res.set_content_provider(
            fileSize, "application/zip",
            [fd](size_t offset, size_t length, httplib::DataSink& sink) {
                static thread_local std::string buffer(serveChunk, '\0');
                size_t n = std::min(length, serveChunk);
                ssize_t got = pread(*fd, buffer.data(), n, static_cast<off_t>(offset));
                return got > 0 && sink.write(buffer.data(), static_cast<size_t>(got));
            },
            [fd](bool) { close(*fd); });
    });
    int port = server.bind_to_any_port("127.0.0.1");
    std::thread serverThread([&server] { server.listen_after_bind(); });
    std::string url = "http://127.0.0.1:" + std::to_string(port) + "/data.zip";

    // Alternate the two, and which of them goes first, best of five each, so neither always
    // follows the other into a warmer page cache or a busier disk.
    Run bestOp, bestCurl;
    bestOp.seconds = bestCurl.seconds = 1e9;
    bool allOk = true;
    for (int round = 0; round < rounds; round++) {
        Run op, tool;
        auto measureOp = [&] {
            op = runOperation(url, dir + "/op.bin");
            unlink((dir + "/op.bin").c_str());
        };
        auto measureTool = [&] {
            tool = runCurlTool(url, dir + "/curl.bin");
            unlink((dir + "/curl.bin").c_str());
        };
        if (round % 2 == 0) {
            measureOp();
            measureTool();
        } else {
            measureTool();
            measureOp();
        }
        allOk = allOk && op.ok && tool.ok;
        if (op.seconds < bestOp.seconds)
            bestOp.seconds = op.seconds;
        if (op.peakGrowthKb > bestOp.peakGrowthKb)
            bestOp.peakGrowthKb = op.peakGrowthKb;
        if (tool.seconds < bestCurl.seconds)
            bestCurl = tool;
        printf("round %d (%s first): operation %.3f s, curl %.3f s, operation peak memory growth %ld kB\n", round + 1,
            round % 2 == 0 ? "operation" : "curl", op.seconds, tool.seconds, op.peakGrowthKb);
    }

    server.stop();
    serverThread.join();

    double mb = fileSize / (1024.0 * 1024.0);
    double opRate = mb / bestOp.seconds;
    double curlRate = mb / bestCurl.seconds;
    printf("HTTP download of %.0f MB over loopback to a file (best of 5)\n", mb);
    printf("  net::HTTPRequestOperation: %8.1f MB/s\n", opRate);
    printf("  curl command-line tool:    %8.1f MB/s\n", curlRate);
    printf("  ratio operation/curl:      %8.3f (goal >= 0.9: %s)\n", opRate / curlRate, opRate / curlRate >= 0.9 ? "met" : "NOT met");
    printf("  operation peak memory growth: %.1f MB (worst of 5; goal < 16 MB: %s)\n", static_cast<double>(bestOp.peakGrowthKb) / 1024.0,
        bestOp.peakGrowthKb < 16 * 1024 ? "met" : "NOT met");
    if (!allOk) {
        printf("  a download failed or came out short\n");
        return 1;
    }
    return 0;
}
