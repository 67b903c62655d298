// The UDP receiver, recorder, watcher and fetcher against a sender of our own, and monitoring
// tasks of a unicast stream end to end with the ffmpeg tool as the sender.
//
// Unicast runs on 127.0.0.1. Multicast runs only inside a network namespace that the test
// creates for one thread of its own (lo up, 224.0.0.0/4 routed to lo), so no group is ever
// joined on this machine's real interfaces; where no namespace can be made the case is skipped.
#include "CheckRunner.h"
#include "Dispatcher.h"
#include "FormatCheck.h"
#include "Settings.h"
#include "TempHome.h"
#include "TextField.h"
#include "UdpRecorder.h"
#include "UdpSource.h"

#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <net/if.h>
#include <net/route.h>
#include <sched.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <future>
#include <mutex>
#include <sstream>
#include <thread>
#include <vector>

namespace quarvik {
namespace {

using namespace std::chrono_literals;

// Seven transport-stream packets, the usual payload of a stream datagram.
constexpr size_t kDatagram = 1316;
// How far the sender may run ahead of the file, in datagrams: far below what the receive
// buffer holds, so loopback never drops what a slow receiver has not read yet.
constexpr int64_t kSendWindow = 12;
// Upper bounds for waits that only guard against a hang; no test measures time.
constexpr auto kHangGuard = 60s;

std::string ReadFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::stringstream all;
    all << in.rdbuf();
    return all.str();
}

int64_t FileSize(const std::string& path)
{
    struct stat st{};
    return ::stat(path.c_str(), &st) == 0 ? st.st_size : -1;
}

bool WaitUntil(const std::function<bool()>& cond, std::chrono::milliseconds limit = 20s)
{
    const auto end = std::chrono::steady_clock::now() + limit;
    while (!cond()) {
        if (std::chrono::steady_clock::now() >= end)
            return false;
        std::this_thread::sleep_for(2ms);
    }
    return true;
}

// A port no socket of this thread's namespace holds right now.
int FreeUdpPort()
{
    const int fd = ::socket(AF_INET, SOCK_DGRAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof(address);
    EXPECT_EQ(::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof(address)), 0);
    EXPECT_EQ(::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length), 0);
    ::close(fd);
    return ntohs(address.sin_port);
}

// How many sockets of the calling thread's namespace are bound to port. Senders wait for the
// receiver this way, since a datagram sent before its bind is lost.
int SocketsBoundTo(int port)
{
    std::ifstream table("/proc/thread-self/net/udp");
    std::string line;
    std::getline(table, line);  // heading
    char wanted[16];
    std::snprintf(wanted, sizeof(wanted), ":%04X", port);
    int count = 0;
    while (std::getline(table, line)) {
        std::istringstream fields(line);
        std::string slot, local;
        fields >> slot >> local;
        if (local.size() > 5 && local.compare(local.size() - 5, 5, wanted) == 0)
            ++count;
    }
    return count;
}

class CSender {
public:
    CSender(const std::string& ip, int port) : m_fd(::socket(AF_INET, SOCK_DGRAM, 0))
    {
        m_to.sin_family = AF_INET;
        m_to.sin_port = htons(static_cast<uint16_t>(port));
        EXPECT_EQ(inet_pton(AF_INET, ip.c_str(), &m_to.sin_addr), 1);
        const unsigned char ttl = 1;
        ::setsockopt(m_fd, IPPROTO_IP, IP_MULTICAST_TTL, &ttl, sizeof(ttl));
    }
    ~CSender() { ::close(m_fd); }

    bool Send(const char* data, size_t size)
    {
        return ::sendto(m_fd, data, size, 0, reinterpret_cast<const sockaddr*>(&m_to), sizeof(m_to)) ==
               static_cast<ssize_t>(size);
    }

    // Sends data in kDatagram pieces, never more than kSendWindow datagrams ahead of what
    // file holds; returns the bytes sent. Gives up when the file stops growing or stop is set.
    int64_t SendPaced(const std::string& data, const std::string& file, const std::atomic<bool>& stop)
    {
        int64_t sent = 0;
        while (sent < static_cast<int64_t>(data.size()) && !stop) {
            const bool roomy = WaitUntil(
                [&] { return stop || sent - FileSize(file) < kSendWindow * static_cast<int64_t>(kDatagram); }, 10s);
            if (!roomy || stop)
                break;
            const size_t size = std::min(kDatagram, data.size() - static_cast<size_t>(sent));
            if (!Send(data.data() + sent, size))
                break;
            sent += static_cast<int64_t>(size);
        }
        return sent;
    }

private:
    const int m_fd;
    sockaddr_in m_to{};
};

// A file of the generated test media.
std::string Media(const std::string& name)
{
    const char* media = std::getenv("QUARVIK_TEST_MEDIA");
    return std::string(media ? media : ".") + "/" + name;
}

// The first bytes of the test stream.
std::string StreamBytes(size_t count)
{
    const std::string all = ReadFile(Media("faults.ts"));
    EXPECT_GE(all.size(), count) << "faults.ts is missing or short";
    return all.substr(0, std::min(count, all.size()));
}

// The bytes a recording up to limit holds: whole datagrams until the limit is reached.
size_t RecordedLength(int64_t limit)
{
    return (static_cast<size_t>(limit) + kDatagram - 1) / kDatagram * kDatagram;
}

SubTaskInfo_t StreamSubTask(const std::string& ip, int port)
{
    SubTaskInfo_t subTask{};
    subTask.nType = kTargetUdp;
    CopyField(subTask.szFilename, UdpStreamAddress(ip, port));
    return subTask;
}

MonObj_t UdpTarget(const std::string& ip, int port)
{
    MonObj_t target{};
    target.nType = kTargetUdp;
    CopyField(target.szIp, ip);
    target.nPort = port;
    return target;
}

// A recording on a thread of its own. One that outlives the hang guard is stopped, so that a
// recorder which waits forever fails its test instead of hanging it.
class CRecording {
public:
    CRecording(const CUdpRecorder& recorder, const std::string& ip, int port, const std::string& file, int64_t limit)
        : m_result(std::async(std::launch::async, [&recorder, ip, port, file, limit, this] {
              return recorder.Record(ip, port, file, limit, [this] { return m_giveUp.load(); });
          }))
    {
    }
    ~CRecording() { Ended(); }

    // Whether the recording ended by itself.
    bool Ended()
    {
        if (!m_result.valid() || m_result.wait_for(kHangGuard) == std::future_status::ready)
            return true;
        m_giveUp = true;
        m_result.wait();
        return false;
    }
    bool Done() const { return m_result.wait_for(0s) == std::future_status::ready; }
    bool Completed() { return Ended() && m_result.get(); }

private:
    std::atomic<bool> m_giveUp{false};
    std::future<bool> m_result;
};

class UdpTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        char dir[] = "/tmp/quarvik-udp-XXXXXX";
        ASSERT_NE(::mkdtemp(dir), nullptr);
        dir_ = dir;
        file_ = dir_ + "/1.tmp";
    }
    void TearDown() override { std::system(("rm -rf '" + dir_ + "'").c_str()); }

    // The fetch for checking of ip:port, fed by a paced sender; checks the file holds exactly
    // the datagrams that took it to the limit. Runs on the calling thread's namespace.
    void ExpectFetchReachesLimit(const std::string& ip)
    {
        const int port = FreeUdpPort();
        const std::string stream = StreamBytes(RecordedLength(kCheckFetchBytes) + 20 * kDatagram);
        ASSERT_FALSE(HasFailure());
        std::atomic<bool> stop{false};
        std::future<int64_t> sent = std::async(std::launch::async, [&] {
            CSender sender(ip, port);
            return WaitUntil([&] { return SocketsBoundTo(port) > 0; }) ? sender.SendPaced(stream, file_, stop) : 0;
        });
        CUdpFetcher fetcher;
        EXPECT_TRUE(fetcher.Fetch(StreamSubTask(ip, port), file_, kCheckFetchBytes));
        stop = true;
        sent.get();
        const std::string recorded = ReadFile(file_);
        ASSERT_EQ(recorded.size(), RecordedLength(kCheckFetchBytes));
        EXPECT_TRUE(recorded == stream.substr(0, recorded.size())) << "the file differs from the datagrams sent";
    }

    std::string dir_;
    std::string file_;
};

TEST(UdpAddressTest, StreamAddressesAreFormedAndReadBack)
{
    EXPECT_EQ(UdpStreamAddress("239.1.1.1", 1234), "udp://@239.1.1.1:1234");

    struct Case {
        const char* address;
        bool valid;
        const char* ip;
        int port;
    };
    const Case cases[] = {
        {"udp://@239.1.1.1:1234", true, "239.1.1.1", 1234},
        {"udp://127.0.0.1:65535", true, "127.0.0.1", 65535},
        {"udp://@239.1.1.1", false, "", 0},
        {"udp://@239.1.1.1:0", false, "", 0},
        {"udp://@239.1.1.1:65536", false, "", 0},
        {"udp://@239.1.1.1:12a", false, "", 0},
        {"udp://@:1234", false, "", 0},
        {"ftp://239.1.1.1:1234", false, "", 0},
        {"/media/udp://@1.2.3.4:5", false, "", 0},
    };
    for (const Case& c : cases) {
        std::string ip = "unchanged";
        int port = -1;
        EXPECT_EQ(ParseUdpStreamAddress(c.address, ip, port), c.valid) << c.address;
        if (c.valid) {
            EXPECT_EQ(ip, c.ip) << c.address;
            EXPECT_EQ(port, c.port) << c.address;
        }
    }

    EXPECT_TRUE(IsMulticastAddress("224.0.0.1"));
    EXPECT_TRUE(IsMulticastAddress("239.255.255.255"));
    EXPECT_FALSE(IsMulticastAddress("240.0.0.1"));
    EXPECT_FALSE(IsMulticastAddress("127.0.0.1"));
    EXPECT_FALSE(IsMulticastAddress("239.1.1"));
}

TEST_F(UdpTest, ReceiverAndRecorderRefuseWhatCannotBeOpened)
{
    CUdpReceiver receiver;
    EXPECT_FALSE(receiver.Open("not-an-address", FreeUdpPort()));
    EXPECT_FALSE(receiver.Open("127.0.0.1", 0));
    EXPECT_FALSE(receiver.Open("127.0.0.1", 70000));
    EXPECT_FALSE(receiver.IsOpen());
    EXPECT_EQ(receiver.DataReady(0), 0);

    const CUdpRecorder recorder(50);
    EXPECT_FALSE(recorder.Record("not-an-address", FreeUdpPort(), file_, 100));
    EXPECT_FALSE(recorder.Record("127.0.0.1", FreeUdpPort(), dir_ + "/missing/1.tmp", 100));

    CUdpFetcher fetcher(50);
    SubTaskInfo_t subTask{};
    CopyField(subTask.szFilename, "udp://@127.0.0.1");
    EXPECT_FALSE(fetcher.Fetch(subTask, file_, 100));
}

TEST_F(UdpTest, UnicastFetchRecordsTheDatagramsSentUpToTheLimit)
{
    ExpectFetchReachesLimit("127.0.0.1");
}

TEST_F(UdpTest, RecordingFailsWhenTheStreamFallsSilentAndKeepsWhatArrived)
{
    const int port = FreeUdpPort();
    const std::string stream = StreamBytes(10 * kDatagram);
    ASSERT_FALSE(HasFailure());
    std::future<int64_t> sent = std::async(std::launch::async, [&] {
        CSender sender("127.0.0.1", port);
        std::atomic<bool> never{false};
        return WaitUntil([&] { return SocketsBoundTo(port) > 0; }) ? sender.SendPaced(stream, file_, never) : 0;
    });
    const CUdpRecorder recorder(300);
    CRecording recorded(recorder, "127.0.0.1", port, file_, 1 << 20);
    ASSERT_TRUE(recorded.Ended()) << "a silent stream is waited for forever";
    EXPECT_FALSE(recorded.Completed());
    EXPECT_EQ(sent.get(), static_cast<int64_t>(stream.size()));
    EXPECT_TRUE(ReadFile(file_) == stream);

    // A stream that never carries anything fails the same way.
    CRecording nothing(recorder, "127.0.0.1", FreeUdpPort(), file_, 1 << 20);
    ASSERT_TRUE(nothing.Ended()) << "a stream without data is waited for forever";
    EXPECT_FALSE(nothing.Completed());
    EXPECT_EQ(FileSize(file_), 0);
}

TEST_F(UdpTest, StopEndsARecordingThatWouldOtherwiseWait)
{
    const int port = FreeUdpPort();
    CSignalEvent stop(false);
    const CUdpRecorder recorder(3600 * 1000);  // only the stop event can end it
    std::future<bool> recorded = std::async(std::launch::async, [&] {
        return recorder.Record("127.0.0.1", port, file_, 1 << 20, [&] { return stop.IsSet(); });
    });
    ASSERT_TRUE(WaitUntil([&] { return SocketsBoundTo(port) > 0; }));
    CSender("127.0.0.1", port).Send("x", 1);
    ASSERT_TRUE(WaitUntil([&] { return FileSize(file_) == 1; }));
    stop.Set();
    ASSERT_EQ(recorded.wait_for(kHangGuard), std::future_status::ready) << "stop was not seen";
    EXPECT_FALSE(recorded.get());
    EXPECT_EQ(SocketsBoundTo(port), 0) << "the recording left its socket open";
}

class CHandOvers {
public:
    HandOverFn Fn()
    {
        return [this](const std::string& path, int64_t size) {
            std::lock_guard<std::mutex> lock(m_mutex);
            m_got.emplace_back(path, size);
        };
    }
    std::vector<std::pair<std::string, int64_t>> Got() const
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        return m_got;
    }

private:
    mutable std::mutex m_mutex;
    std::vector<std::pair<std::string, int64_t>> m_got;
};

// Starts the UDP source of target on worker and waits until its receiver is bound.
void StartWatcher(CWorkerThread& worker, const MonObj_t& target, CHandOvers& handOvers)
{
    const SourceBodyFn body = UdpSourceBody(target);
    const HandOverFn handOver = handOvers.Fn();
    ASSERT_TRUE(worker.Start([body, handOver](CWorkerThread& self) { body(self, handOver); }));
    ASSERT_TRUE(WaitUntil([&] { return SocketsBoundTo(target.nPort) > 0; })) << "the watcher never listened";
}

// Sends a datagram now and then until done() (bounded).
void FeedUntil(const std::string& ip, int port, const std::function<bool()>& done)
{
    CSender sender(ip, port);
    EXPECT_TRUE(WaitUntil([&] {
        sender.Send("G", 1);
        std::this_thread::sleep_for(20ms);
        return done();
    })) << "the receivers never got what was sent";
}

TEST(UdpWatcherTest, HandsTheStreamOnOnceWhenItsFirstDatagramArrives)
{
    CEventLoop home;
    const int port = FreeUdpPort();
    CHandOvers handOvers;
    CWorkerThread worker;
    StartWatcher(worker, UdpTarget("127.0.0.1", port), handOvers);
    std::this_thread::sleep_for(100ms);  // listening, not yet fed: nothing may come of it
    EXPECT_TRUE(handOvers.Got().empty());

    FeedUntil("127.0.0.1", port, [&] { return !handOvers.Got().empty(); });
    EXPECT_TRUE(WaitUntil([&] { return !worker.Running(); })) << "the watcher goes on after the hand-over";
    CSender("127.0.0.1", port).Send("more", 4);
    worker.Stop(home);
    const std::vector<std::pair<std::string, int64_t>> expected = {{"udp://@127.0.0.1:" + std::to_string(port), 0}};
    EXPECT_EQ(handOvers.Got(), expected);
    EXPECT_EQ(SocketsBoundTo(port), 0);
}

TEST(UdpWatcherTest, StopsWithoutDataAndEndsAtOnceOnAnAddressThatCannotBeReceived)
{
    CEventLoop home;
    CHandOvers handOvers;
    {
        CWorkerThread worker;
        const int port = FreeUdpPort();
        StartWatcher(worker, UdpTarget("127.0.0.1", port), handOvers);
        worker.Stop(home);
        EXPECT_FALSE(worker.Running());
        EXPECT_EQ(SocketsBoundTo(port), 0);
    }
    {
        CWorkerThread worker;
        const SourceBodyFn body = UdpSourceBody(UdpTarget("239.1.1", FreeUdpPort()));
        const HandOverFn handOver = handOvers.Fn();
        ASSERT_TRUE(worker.Start([body, handOver](CWorkerThread& self) { body(self, handOver); }));
        EXPECT_TRUE(WaitUntil([&] { return !worker.Running(); }));
        worker.Stop(home);
    }
    EXPECT_TRUE(handOvers.Got().empty());
}

// Only the socket bound last hears a unicast port, so its readers take turns: a watcher that
// comes while a recording runs waits unbound, a recording that comes while the watcher waits
// for the stream gives up after its silence time-out or gets the port once the watcher left.
TEST_F(UdpTest, UnicastPortIsReadByOneReceiverAtATime)
{
    CEventLoop home;
    const int port = FreeUdpPort();
    {
        const CUdpRecorder recorder(3600 * 1000);
        CRecording recorded(recorder, "127.0.0.1", port, file_, 3);
        ASSERT_TRUE(WaitUntil([&] { return SocketsBoundTo(port) == 1; }));
        CHandOvers handOvers;
        CWorkerThread worker;
        const SourceBodyFn body = UdpSourceBody(UdpTarget("127.0.0.1", port));
        const HandOverFn handOver = handOvers.Fn();
        ASSERT_TRUE(worker.Start([body, handOver](CWorkerThread& self) { body(self, handOver); }));
        std::this_thread::sleep_for(100ms);
        EXPECT_EQ(SocketsBoundTo(port), 1) << "the watcher listens while the recording has the port";
        FeedUntil("127.0.0.1", port, [&] { return recorded.Done() && !handOvers.Got().empty(); });
        EXPECT_TRUE(recorded.Completed());
        EXPECT_EQ(FileSize(file_), 3);
        worker.Stop(home);
        EXPECT_EQ(handOvers.Got().size(), 1u);
    }
    EXPECT_EQ(SocketsBoundTo(port), 0);

    CHandOvers handOvers;
    CWorkerThread worker;
    StartWatcher(worker, UdpTarget("127.0.0.1", port), handOvers);
    EXPECT_FALSE(CUdpRecorder(300).Record("127.0.0.1", port, file_, 3)) << "a busy port is waited for forever";
    EXPECT_EQ(SocketsBoundTo(port), 1);
    const CUdpRecorder recorder(3600 * 1000);
    CRecording recorded(recorder, "127.0.0.1", port, file_, 3);
    std::this_thread::sleep_for(100ms);
    EXPECT_EQ(SocketsBoundTo(port), 1) << "the recording listens while the watcher has the port";
    FeedUntil("127.0.0.1", port, [&] { return recorded.Done(); });
    EXPECT_TRUE(recorded.Completed());
    EXPECT_EQ(handOvers.Got().size(), 1u) << "the recording had the port before the watcher had the stream";
    worker.Stop(home);
}

// Runs body on a thread of its own inside a fresh network namespace: lo up and the multicast
// range routed to it, so a join on any interface works and stays inside. False with the
// reason when no namespace can be made here (body has not run then).
bool RunInPrivateNetwork(const std::function<void()>& body, std::string& whyNot)
{
    bool ran = false;
    std::thread([&] {
        // A network namespace belongs to the thread that unshares it and the threads it starts.
        if (::unshare(CLONE_NEWNET) != 0) {
            whyNot = std::string("unshare(CLONE_NEWNET): ") + std::strerror(errno);
            return;
        }
        const int fd = ::socket(AF_INET, SOCK_DGRAM, 0);
        ifreq lo{};
        std::strcpy(lo.ifr_name, "lo");
        rtentry route{};
        auto* dst = reinterpret_cast<sockaddr_in*>(&route.rt_dst);
        auto* mask = reinterpret_cast<sockaddr_in*>(&route.rt_genmask);
        dst->sin_family = mask->sin_family = AF_INET;
        inet_pton(AF_INET, "224.0.0.0", &dst->sin_addr);
        inet_pton(AF_INET, "240.0.0.0", &mask->sin_addr);
        route.rt_flags = RTF_UP;
        route.rt_dev = lo.ifr_name;
        const bool up = ::ioctl(fd, SIOCGIFFLAGS, &lo) == 0 && ((lo.ifr_flags |= IFF_UP), true) &&
                        ::ioctl(fd, SIOCSIFFLAGS, &lo) == 0 && ::ioctl(fd, SIOCADDRT, &route) == 0;
        if (!up)
            whyNot = std::string("setting up lo in the namespace: ") + std::strerror(errno);
        ::close(fd);
        if (!up)
            return;
        ran = true;
        body();
    }).join();
    return ran;
}

TEST_F(UdpTest, MulticastIsRecordedAndWatchedTogetherInsideAPrivateNetwork)
{
    std::string whyNot;
    const bool ran = RunInPrivateNetwork(
        [&] {
            const std::string group = "239.77.1.2";
            ExpectFetchReachesLimit(group);

            // Two receivers of one group and port, the watcher and a recording, both get it.
            CEventLoop home;
            const int port = FreeUdpPort();
            CHandOvers handOvers;
            CWorkerThread worker;
            StartWatcher(worker, UdpTarget(group, port), handOvers);
            const CUdpRecorder recorder(3600 * 1000);
            CRecording recorded(recorder, group, port, file_, 3);
            ASSERT_TRUE(WaitUntil([&] { return SocketsBoundTo(port) == 2; }));
            FeedUntil(group, port, [&] {
                return !handOvers.Got().empty() && recorded.Done();
            });
            EXPECT_TRUE(recorded.Completed());
            worker.Stop(home);
            const std::vector<std::pair<std::string, int64_t>> expected = {{UdpStreamAddress(group, port), 0}};
            EXPECT_EQ(handOvers.Got(), expected);
        },
        whyNot);
    if (!ran)
        GTEST_SKIP() << "multicast needs a network namespace of its own, which cannot be made here (" << whyNot
                     << "); no group is joined in this machine's namespace";
}

// The ffmpeg tool sending a media file as MPEG-TS to 127.0.0.1:port at its own pace, looped,
// padded to 16 Mbit/s and sent evenly, so a 4 MiB recording takes about two seconds.
class CFfmpegSender {
public:
    CFfmpegSender(const std::string& file, int port)
    {
        const std::string url = "udp://127.0.0.1:" + std::to_string(port) + "?pkt_size=1316&bitrate=16000000";
        m_pid = ::fork();
        if (m_pid == 0) {
            const int null = ::open("/dev/null", O_RDWR);
            ::dup2(null, 0);
            ::dup2(null, 1);
            ::dup2(null, 2);
            // -t bounds a sender whose test died without ending it.
            ::execlp("ffmpeg", "ffmpeg", "-nostdin", "-re", "-stream_loop", "-1", "-i", file.c_str(), "-c", "copy",
                     "-t", "120", "-f", "mpegts", "-muxrate", "16000000", url.c_str(), static_cast<char*>(nullptr));
            ::_exit(127);
        }
    }
    ~CFfmpegSender()
    {
        if (m_pid > 0) {
            ::kill(m_pid, SIGTERM);
            ::waitpid(m_pid, nullptr, 0);
        }
    }
    bool Started() const { return m_pid > 0; }

private:
    pid_t m_pid = -1;
};

// Counts the preview pictures the engine of one task shows.
struct CPreviewCount : ICheckMonitor {
    void OnPreviewPicture(const BitmapInfoHeader_t&, const uint8_t*) override { ++pictures; }
    void OnCheckProgress(bool, const CheckProgress_t&) override {}
    int pictures = 0;
};

class UdpTaskTest : public TempHomeTest {
protected:
    void SetUp() override
    {
        TempHomeTest::SetUp();
        std::filesystem::create_directory(HomeFile("cache"));
        ASSERT_TRUE(WriteSetting(kCachePath, HomeFile("cache")));
    }

    // One monitoring task of the stream: its list, its workers, the previews of its checks.
    struct Task {
        Task(CEventLoop& home, CResultRecorder& recorder, int32_t id, const MonObj_t& target)
            : list(ListKind::kTask, id, kTargetUdp), runner(home, list, recorder, Setup(id, target))
        {
            runner.SetMonitor(&previews, 1);
        }
        static CheckRunnerSetup Setup(int32_t id, const MonObj_t& target)
        {
            CheckRunnerSetup setup;
            setup.kind = ListKind::kTask;
            setup.task.nID = id;
            setup.task.bPicute = 1;
            setup.targetType = kTargetUdp;
            setup.source = UdpSourceBody(target);
            setup.fetcher = std::make_shared<CUdpFetcher>();
            return setup;
        }
        CSubTaskList list;
        CPreviewCount previews;
        CCheckRunner runner;
    };

    // Serves the workers until done() or 60 s, noting the most sockets ever bound to port.
    bool ServeUntil(const std::function<bool()>& done, int port)
    {
        return m_home.PumpWhile(
            [&] {
                m_mostReaders = std::max(m_mostReaders, SocketsBoundTo(port));
                return !done();
            },
            60000);
    }

    CEventLoop m_home;
    CResultRecorder m_recorder;
    int m_mostReaders = 0;
};

// Two tasks watch one unicast stream. Each adds it, records its start for the thumbnail and
// checks it, taking turns at the port: at no moment do two sockets listen there.
TEST_F(UdpTaskTest, TasksOfOneUnicastStreamTakeTurnsAndEachChecksIt)
{
    ASSERT_TRUE(std::filesystem::exists(Media("faults.ts"))) << "generated test media missing";
    const int port = FreeUdpPort();
    const MonObj_t target = UdpTarget("127.0.0.1", port);
    Task first(m_home, m_recorder, 31, target), second(m_home, m_recorder, 32, target);
    ASSERT_TRUE(first.runner.Start());
    ASSERT_TRUE(second.runner.Start());
    CFfmpegSender sender(Media("faults.ts"), port);
    ASSERT_TRUE(sender.Started());

    const auto thumbnailed = [](const Task& t) {
        return t.list.Count() == 1 && t.list.Row(0).nState >= kSubTaskWaitCheck;
    };
    ASSERT_TRUE(ServeUntil(
        [&] {
            return thumbnailed(first) && thumbnailed(second) && first.previews.pictures + second.previews.pictures > 0;
        },
        port))
        << "rows " << first.list.Count() << " " << second.list.Count();
    for (const Task* t : {&first, &second}) {
        EXPECT_EQ(t->list.Count(), 1);
        EXPECT_STREQ(t->list.Row(0).szFilename, UdpStreamAddress("127.0.0.1", port).c_str());
        EXPECT_EQ(t->list.Row(0).nFacePicState, 1) << "no thumbnail from the recording";
        EXPECT_EQ(t->list.Row(0).nState, kSubTaskChecking);
    }
    EXPECT_TRUE(first.previews.pictures == 0 || second.previews.pictures == 0) << "both engines read the stream";

    // The task whose engine reads the stream stops: the other one's engine takes over.
    Task& checking = first.previews.pictures > 0 ? first : second;
    Task& waiting = &checking == &first ? second : first;
    checking.runner.Stop();
    EXPECT_TRUE(ServeUntil([&] { return waiting.previews.pictures > 0; }, port)) << "the waiting check never began";
    waiting.runner.Stop();
    EXPECT_EQ(m_mostReaders, 1) << "two readers listened on the unicast port at once";
    EXPECT_EQ(SocketsBoundTo(port), 0);
    EXPECT_EQ(m_recorder.Count(), 2) << "each task stores a result for its check";
}

}  // namespace
}  // namespace quarvik
