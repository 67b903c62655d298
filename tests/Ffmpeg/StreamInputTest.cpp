// Network inputs against real peers on loopback: an RTMP server is connected to and checked,
// and an address whose peer is missing, silent or stalls ends within its bound.
#include "CheckRun.h"
#include "EngineTestSupport.h"
#include "FaultKinds.h"

#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

namespace quarvik {
namespace {

using Clock = std::chrono::steady_clock;

// A TCP socket bound to a free loopback port and listening, never accepting: the kernel
// completes connections to it, and nothing ever answers.
class SilentPeer {
public:
    SilentPeer()
    {
        m_fd = ::socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t length = sizeof(address);
        if (m_fd < 0 || ::bind(m_fd, reinterpret_cast<sockaddr*>(&address), length) != 0 ||
            ::listen(m_fd, 4) != 0 ||
            ::getsockname(m_fd, reinterpret_cast<sockaddr*>(&address), &length) != 0)
            return;
        m_port = ntohs(address.sin_port);
    }
    ~SilentPeer()
    {
        if (m_fd >= 0)
            ::close(m_fd);
    }
    int Port() const { return m_port; }

private:
    int m_fd = -1;
    int m_port = 0;
};

// A loopback port that nothing listens on (it was free a moment ago).
int FreePort()
{
    const SilentPeer peer;
    return peer.Port();
}

// True once a socket listens on the loopback port (read from /proc, so the one connection
// the server accepts is not spent on probing).
bool Listening(int port)
{
    char local[32];
    std::snprintf(local, sizeof(local), "0100007F:%04X", port);
    std::ifstream table("/proc/net/tcp");
    std::string line;
    while (std::getline(table, line))
        if (line.find(local) != std::string::npos && line.find(" 0A ") != std::string::npos)
            return true;
    return false;
}

// The ffmpeg tool serving one clip to the first RTMP client that connects.
class RtmpServer {
public:
    RtmpServer(const std::string& clip, bool realTime)
    {
        m_port = FreePort();
        m_url = "rtmp://127.0.0.1:" + std::to_string(m_port) + "/live/x";
        std::vector<const char*> argv = {"ffmpeg", "-nostdin", "-v", "error"};
        if (realTime)
            argv.push_back("-re");
        for (const char* arg : {"-i", clip.c_str(), "-c", "copy", "-f", "flv", "-listen", "1",
                                m_url.c_str()})
            argv.push_back(arg);
        argv.push_back(nullptr);
        m_pid = ::fork();
        if (m_pid == 0) {
            const int null = ::open("/dev/null", O_RDWR);
            ::dup2(null, 0);
            ::dup2(null, 1);
            ::dup2(null, 2);
            ::execvp("ffmpeg", const_cast<char* const*>(argv.data()));
            ::_exit(127);
        }
        const auto deadline = Clock::now() + std::chrono::seconds(10);
        while (m_pid > 0 && !Listening(m_port) && Clock::now() < deadline)
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    ~RtmpServer()
    {
        if (m_pid > 0) {
            ::kill(m_pid, SIGKILL);
            ::waitpid(m_pid, nullptr, 0);
        }
    }
    bool Ready() const { return m_pid > 0 && Listening(m_port); }
    const std::string& Url() const { return m_url; }
    void Freeze() const { ::kill(m_pid, SIGSTOP); }

private:
    pid_t m_pid = -1;
    int m_port = 0;
    std::string m_url;
};

struct Checked {
    CheckOutcome outcome;
    double seconds;
    int pictures;
};

Checked CheckAddress(const std::string& url, RecordingSink& sink, const CheckRunHooks& hooks = {})
{
    ContentParam_t table[kContentParamCount];
    SetDefaultContentParams(table);
    TempParams params(table);
    CFFCheck engine(params.Path());
    engine.SetResultSink(&sink);
    const auto start = Clock::now();
    const CheckOutcome outcome = RunContentCheck(engine, url.c_str(), 1, 1, hooks);
    const std::chrono::duration<double> took = Clock::now() - start;
    return {outcome, took.count(), engine.PictureCount()};
}

// Every wait on a network input is bounded at 6 s; the check ends well within this.
constexpr double kEndsWithin = 20.0;

TEST(StreamInput, RtmpConnectsToItsServerAndChecksTheContent)
{
    const RtmpServer server(MediaPath("stream.mp4"), false);
    ASSERT_TRUE(server.Ready());
    RecordingSink sink;
    const Checked checked = CheckAddress(server.Url(), sink);
    ASSERT_EQ(checked.outcome, CheckOutcome::kFinished);
    EXPECT_EQ(checked.pictures, 100);
    const std::vector<Event> events = TextKindEvents(sink.events);
    ASSERT_EQ(events.size(), 1u);
    EXPECT_EQ(events[0].code, kFaultBlack);
    EXPECT_EQ(events[0].begin, 0);
    EXPECT_EQ(events[0].end, 24);
}

TEST(StreamInput, DeadRtmpAddressesEndWithinTheirBound)
{
    const SilentPeer silent;  // connects, then never answers the handshake
    ASSERT_GT(silent.Port(), 0);
    struct Case { const char* what; int port; };
    for (const Case& c : {Case{"nothing listens", FreePort()}, Case{"silent peer", silent.Port()}}) {
        SCOPED_TRACE(c.what);
        RecordingSink sink;
        const Checked checked =
            CheckAddress("rtmp://127.0.0.1:" + std::to_string(c.port) + "/live/x", sink);
        EXPECT_EQ(checked.outcome, CheckOutcome::kOpenFailed);
        EXPECT_EQ(sink.openFailed.size(), 1u);
        EXPECT_LT(checked.seconds, kEndsWithin);
    }
}

TEST(StreamInput, StalledRtmpStreamEndsWithinItsBound)
{
    // Served in real time; the server freezes about a second in: what came is checked.
    const RtmpServer server(MediaPath("stream.mp4"), true);
    ASSERT_TRUE(server.Ready());
    RecordingSink sink;
    CheckRunHooks hooks;
    int steps = 0;
    hooks.shouldStop = [&] {
        if (++steps == 60)
            server.Freeze();
        return false;
    };
    const Checked checked = CheckAddress(server.Url(), sink, hooks);
    EXPECT_EQ(checked.outcome, CheckOutcome::kFinished);
    EXPECT_EQ(sink.finished.size(), 1u);
    EXPECT_GT(checked.pictures, 0);
    EXPECT_LT(checked.pictures, 100);
    EXPECT_LT(checked.seconds, kEndsWithin);
}

}  // namespace
}  // namespace quarvik
