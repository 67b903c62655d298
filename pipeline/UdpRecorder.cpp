#include "UdpRecorder.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstring>
#include <mutex>
#include <set>
#include <vector>

namespace quarvik {
namespace {

constexpr size_t kRecordBufferBytes = 8192;
// Short enough that a stop request is seen at once between datagrams.
constexpr int kRecordWaitMs = 1;

bool ToIpv4(const std::string& ip, in_addr& address)
{
    return inet_pton(AF_INET, ip.c_str(), &address) == 1;
}

void PrintSocketError(const char* what, int error)
{
    std::fprintf(stderr, "%s: %s\n", what, std::strerror(error));
}

// The unicast ports whose turn is taken, process-wide.
struct PortTurns {
    std::mutex mutex;
    std::condition_variable freed;
    std::set<int> taken;
};

PortTurns& Turns()
{
    static PortTurns turns;
    return turns;
}

}  // namespace

void CMySocket::Attach(int handle)
{
    Close();
    m_hSocket = handle;
}

void CMySocket::Close()
{
    if (m_hSocket >= 0)
        ::close(m_hSocket);
    m_hSocket = -1;
}

int CMySocket::DataReady(int timeoutMs)
{
    if (m_hSocket < 0)
        return 0;
    // poll rather than select: a handle above FD_SETSIZE must not overrun an fd_set.
    pollfd entry{m_hSocket, POLLIN, 0};
    const int ready = ::poll(&entry, 1, timeoutMs < 0 ? 0 : timeoutMs);
    if (ready == 0 || (ready < 0 && errno == EINTR))
        return 0;
    int error = ready < 0 ? errno : 0;
    if (ready > 0 && (entry.revents & (POLLERR | POLLNVAL))) {
        socklen_t length = sizeof(error);
        if (::getsockopt(m_hSocket, SOL_SOCKET, SO_ERROR, &error, &length) != 0)
            error = errno;
        if (error == 0)
            error = EIO;
    }
    if (error != 0) {
        m_nLastError = error;
        std::fprintf(stderr, "DataReady  Error checked(%s)!!\n", std::strerror(error));
        Close();
        return 0;
    }
    return (entry.revents & POLLIN) ? 1 : 0;
}

bool IsMulticastAddress(const std::string& ip)
{
    in_addr address{};
    return ToIpv4(ip, address) && IN_MULTICAST(ntohl(address.s_addr));
}

bool CUdpPortTurn::Take(const std::string& ip, int port, const std::function<bool()>& giveUp)
{
    using namespace std::chrono_literals;
    Release();
    if (IsMulticastAddress(ip))
        return true;
    PortTurns& turns = Turns();
    std::unique_lock<std::mutex> lock(turns.mutex);
    while (!turns.taken.insert(port).second) {
        if (!giveUp)
            return false;
        turns.freed.wait_for(lock, 10ms);
        lock.unlock();
        const bool given = giveUp();
        lock.lock();
        if (given)
            return false;
    }
    m_nPort = port;
    return true;
}

void CUdpPortTurn::Release()
{
    if (m_nPort == 0)
        return;
    PortTurns& turns = Turns();
    {
        std::lock_guard<std::mutex> lock(turns.mutex);
        turns.taken.erase(m_nPort);
    }
    turns.freed.notify_all();
    m_nPort = 0;
}

bool CUdpReceiver::Open(const std::string& ip, int port, const std::function<bool()>& giveUp)
{
    Close();
    in_addr address{};
    if (!ToIpv4(ip, address) || port < 1 || port > 65535 || !m_turn.Take(ip, port, giveUp))
        return false;
    const int handle = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    if (handle < 0) {
        PrintSocketError("socket", errno);
        m_turn.Release();
        return false;
    }
    m_socket.Attach(handle);
    const int on = 1;
    const linger noLinger{0, 0};
    const int bufferBytes = kUdpReceiveBufferBytes;
    ::setsockopt(handle, SOL_SOCKET, SO_REUSEADDR, &on, sizeof(on));
    ::setsockopt(handle, SOL_SOCKET, SO_LINGER, &noLinger, sizeof(noLinger));
    ::setsockopt(handle, SOL_SOCKET, SO_RCVBUF, &bufferBytes, sizeof(bufferBytes));

    sockaddr_in local{};
    local.sin_family = AF_INET;
    local.sin_addr.s_addr = htonl(INADDR_ANY);
    local.sin_port = htons(static_cast<uint16_t>(port));
    if (::bind(handle, reinterpret_cast<const sockaddr*>(&local), sizeof(local)) != 0) {
        PrintSocketError("bind", errno);
        m_socket.Close();
        m_turn.Release();
        return false;
    }
    if (!IN_MULTICAST(ntohl(address.s_addr)))
        return true;
    m_group.imr_multiaddr = address;
    m_group.imr_interface.s_addr = htonl(INADDR_ANY);
    if (::setsockopt(handle, IPPROTO_IP, IP_ADD_MEMBERSHIP, &m_group, sizeof(m_group)) != 0) {
        PrintSocketError("setsockopt:IP_ADD_MEMBERSHIP", errno);
        m_socket.Close();
        return false;
    }
    m_bJoined = true;
    return true;
}

void CUdpReceiver::Close()
{
    // After a socket failure the handle is gone already, and the group with it.
    if (m_bJoined && m_socket.IsOpen() &&
        ::setsockopt(m_socket.Handle(), IPPROTO_IP, IP_DROP_MEMBERSHIP, &m_group, sizeof(m_group)) != 0)
        PrintSocketError("setsockopt:IP_DROP_MEMBERSHIP", errno);
    m_bJoined = false;
    m_socket.Close();
    m_turn.Release();
}

ssize_t CUdpReceiver::Receive(void* buffer, size_t size)
{
    if (!m_socket.IsOpen())
        return -1;
    return ::recv(m_socket.Handle(), buffer, size, MSG_DONTWAIT);
}

bool CUdpRecorder::Record(const std::string& ip, int port, const std::string& filePath, int64_t maxBytes,
                          const std::function<bool()>& stopRequested) const
{
    using Clock = std::chrono::steady_clock;
    Clock::time_point lastData = Clock::now();
    const auto silence = std::chrono::milliseconds(m_silenceTimeoutMs);
    CUdpReceiver receiver;
    const auto giveUp = [&] { return (stopRequested && stopRequested()) || Clock::now() - lastData >= silence; };
    if (!receiver.Open(ip, port, giveUp))
        return false;
    const int fd = ::open(filePath.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0)
        return false;
    std::vector<char> buffer(kRecordBufferBytes);
    int64_t remaining = maxBytes;
    while (remaining > 0) {
        if (stopRequested && stopRequested())
            break;
        if (!receiver.DataReady(kRecordWaitMs)) {
            // A failed socket never becomes ready again, and a silent stream may never resume.
            if (!receiver.IsOpen() || Clock::now() - lastData >= silence)
                break;
            continue;
        }
        const ssize_t length = receiver.Receive(buffer.data(), buffer.size());
        if (length <= 0)
            continue;
        lastData = Clock::now();
        if (::write(fd, buffer.data(), static_cast<size_t>(length)) != length)
            break;
        remaining -= length;
    }
    receiver.Close();
    const bool closed = ::close(fd) == 0;
    return remaining <= 0 && closed;
}

}  // namespace quarvik
