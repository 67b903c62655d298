#include "FtpClient.h"

#include "Dispatcher.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netdb.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <sstream>
#include <vector>

namespace quarvik {
namespace {

constexpr size_t kMaxLineBytes = 65536;
// How often a wait for data looks at the stop predicate.
constexpr int kStopSliceMs = 100;

int64_t NowMs()
{
    using namespace std::chrono;
    return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

// 1 when fd is ready for events before the deadline, 0 on time-out, -1 on an error or a stop
// (the predicate's, or the stop of the worker this thread runs).
int WaitFd(int fd, short events, int64_t deadlineMs, const FtpStopFn& stop = {})
{
    for (;;) {
        if ((stop && stop()) || CurrentWorkerStopRequested())
            return -1;
        const int64_t left = deadlineMs - NowMs();
        if (left <= 0)
            return 0;
        pollfd p{fd, events, 0};
        const int slice = static_cast<int>(std::min<int64_t>(left, kStopSliceMs));
        const int r = ::poll(&p, 1, slice);
        if (r > 0)
            return 1;
        if (r < 0 && errno != EINTR)
            return -1;
    }
}

void CloseFd(int& fd)
{
    if (fd >= 0)
        ::close(fd);
    fd = -1;
}

int NewSocket(int family)
{
    return ::socket(family, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
}

// A non-blocking connect bounded by timeoutMs; the connected socket or -1.
int ConnectTo(const std::string& host, int port, int timeoutMs)
{
    addrinfo hints{};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_STREAM;
    addrinfo* found = nullptr;
    if (::getaddrinfo(host.c_str(), std::to_string(port).c_str(), &hints, &found) != 0)
        return -1;
    const int64_t deadline = NowMs() + timeoutMs;
    int fd = -1;
    for (addrinfo* ai = found; ai && fd < 0; ai = ai->ai_next) {
        fd = NewSocket(ai->ai_family);
        if (fd < 0)
            continue;
        if (::connect(fd, ai->ai_addr, ai->ai_addrlen) != 0) {
            int error = errno;
            if (error == EINPROGRESS && WaitFd(fd, POLLOUT, deadline) == 1) {
                socklen_t len = sizeof(error);
                if (::getsockopt(fd, SOL_SOCKET, SO_ERROR, &error, &len) != 0)
                    error = errno;
            }
            if (error != 0 && error != EISCONN)
                CloseFd(fd);
        }
    }
    ::freeaddrinfo(found);
    return fd;
}

bool AllDigits(const std::string& text)
{
    return !text.empty() && std::all_of(text.begin(), text.end(), [](unsigned char c) { return std::isdigit(c); });
}

int LeadingNumber(const std::string& line)
{
    int value = 0;
    for (size_t i = 0; i < line.size() && i < 9 && std::isdigit(static_cast<unsigned char>(line[i])); ++i)
        value = value * 10 + (line[i] - '0');
    return value;
}

// Connects to the address's server and logs on; an empty user is the anonymous one.
bool ConnectAndLogon(CFTPClient& session, const FtpAddress& address)
{
    const bool anonymous = address.user.empty();
    const std::string user = anonymous ? "anonymous" : address.user;
    const std::string password = anonymous ? user + "." + address.server : address.password;
    return session.Connect(address.server, address.port) && session.Logon(user, password);
}

// The name of the address's file in the commands: its path without the leading "/".
std::string ObjectPath(const FtpAddress& address)
{
    return address.path.substr(1);
}

bool WriteAll(int fd, const char* data, size_t size)
{
    while (size > 0) {
        const ssize_t n = ::write(fd, data, size);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        data += n;
        size -= static_cast<size_t>(n);
    }
    return true;
}

}  // namespace

CFTPClient::CFTPClient(FtpTimeouts timeouts) : m_timeouts(timeouts) {}

CFTPClient::~CFTPClient()
{
    Close();
}

bool CFTPClient::Connect(const std::string& server, int port)
{
    Close();
    m_error = kFtpConnectFailed;
    m_control = ConnectTo(server, port, m_timeouts.connectMs);
    if (m_control < 0)
        return false;
    if (!Command("")) {
        Close();
        m_error = kFtpConnectFailed;
        return false;
    }
    return true;
}

bool CFTPClient::SendLine(const std::string& text)
{
    m_error = kFtpNetworkError;
    if (m_control < 0)
        return false;
    const std::string line = text + "\r\n";
    const int64_t deadline = NowMs() + m_timeouts.replyMs;
    for (size_t sent = 0; sent < line.size();) {
        const ssize_t n = ::send(m_control, line.data() + sent, line.size() - sent, MSG_NOSIGNAL);
        if (n > 0) {
            sent += static_cast<size_t>(n);
        } else if (n < 0 && (errno == EAGAIN || errno == EINTR)) {
            if (WaitFd(m_control, POLLOUT, deadline) != 1)
                return false;
        } else {
            return false;
        }
    }
    return true;
}

bool CFTPClient::ReadLine(std::string& line, int64_t deadlineMs)
{
    for (;;) {
        const size_t newline = m_inbox.find('\n');
        if (newline != std::string::npos) {
            line = m_inbox.substr(0, newline);
            m_inbox.erase(0, newline + 1);
            if (!line.empty() && line.back() == '\r')
                line.pop_back();
            return true;
        }
        if (m_inbox.size() > kMaxLineBytes || WaitFd(m_control, POLLIN, deadlineMs) != 1)
            return false;
        char buffer[4096];
        const ssize_t n = ::recv(m_control, buffer, sizeof buffer, 0);
        if (n > 0)
            m_inbox.append(buffer, static_cast<size_t>(n));
        else if (n == 0 || (errno != EAGAIN && errno != EINTR))
            return false;
    }
}

bool CFTPClient::ReadReply()
{
    m_error = kFtpNetworkError;
    m_replyClass = 0;
    if (m_control < 0)
        return false;
    // One deadline for the whole reply: a server that trickles lines cannot hold us longer.
    const int64_t deadline = NowMs() + m_timeouts.replyMs;
    std::string line;
    if (!ReadLine(line, deadline))
        return false;
    const int cls = !line.empty() && std::isdigit(static_cast<unsigned char>(line[0])) ? line[0] - '0' : 0;
    if (line.size() >= 4 && line[3] == '-') {
        const int code = LeadingNumber(line);
        do {
            if (!ReadLine(line, deadline))
                return false;
        } while (!(line.size() >= 4 && line[3] == ' ' && LeadingNumber(line) == code));
    }
    m_reply = line;
    m_replyClass = cls;
    return true;
}

bool CFTPClient::Command(const std::string& text)
{
    if (!text.empty() && !SendLine(text))
        return false;
    return ReadReply() && m_replyClass == 2;
}

bool CFTPClient::Logon(const std::string& user, const std::string& password)
{
    // Firewall type 0: command code, then where to go on a class 2 and on a class 3 reply;
    // -2 logged on, -1 refused. Codes: 0 USER, 1 PASS, 2 ACCT (no account).
    static constexpr int kSequence[] = {0, -2, 3, 1, -2, 6, 2, -2, -1};
    int pos = 0;
    while (pos >= 0) {
        const int code = kSequence[pos];
        const std::string text = code == 0 ? "USER " + user : code == 1 ? "PASS " + password : "ACCT ";
        if (!SendLine(text) || !ReadReply())
            return false;
        if (m_replyClass == 2)
            pos = kSequence[pos + 1];
        else if (m_replyClass == 3)
            pos = kSequence[pos + 2];
        else
            pos = -1;
    }
    m_error = kFtpLogonFailed;
    return pos == -2;
}

bool CFTPClient::OpenDataChannel(bool passive)
{
    CloseData();
    m_error = kFtpNetworkError;
    if (passive) {
        if (!Command("PASV"))
            return false;
        const size_t open = m_reply.find('(');
        const size_t close = m_reply.find(')', open == std::string::npos ? 0 : open);
        if (open == std::string::npos || close == std::string::npos)
            return false;
        std::istringstream numbers(m_reply.substr(open + 1, close - open - 1));
        std::vector<int> parts;
        for (std::string part; std::getline(numbers, part, ',');) {
            if (!AllDigits(part) || part.size() > 3)
                return false;
            parts.push_back(std::atoi(part.c_str()));
        }
        if (parts.size() != 6)
            return false;
        m_passiveHost = std::to_string(parts[0]) + "." + std::to_string(parts[1]) + "." +
                        std::to_string(parts[2]) + "." + std::to_string(parts[3]);
        m_passivePort = parts[4] * 256 + parts[5];
        return true;
    }
    // Active mode: the server connects back to our end of the control connection.
    sockaddr_in local{};
    socklen_t len = sizeof local;
    if (::getsockname(m_control, reinterpret_cast<sockaddr*>(&local), &len) != 0 || local.sin_family != AF_INET)
        return false;
    m_listen = NewSocket(AF_INET);
    sockaddr_in any = local;
    any.sin_port = 0;
    if (m_listen < 0 || ::bind(m_listen, reinterpret_cast<sockaddr*>(&any), sizeof any) != 0 ||
        ::listen(m_listen, 5) != 0)
        return false;
    sockaddr_in bound{};
    len = sizeof bound;
    if (::getsockname(m_listen, reinterpret_cast<sockaddr*>(&bound), &len) != 0)
        return false;
    char host[INET_ADDRSTRLEN] = {};
    ::inet_ntop(AF_INET, &local.sin_addr, host, sizeof host);
    std::string address = host;
    std::replace(address.begin(), address.end(), '.', ',');
    const int port = ntohs(bound.sin_port);
    return Command("PORT " + address + "," + std::to_string(port >> 8) + "," + std::to_string(port & 0xff));
}

bool CFTPClient::StartData(const std::string& command, bool passive)
{
    m_dataEnded = false;
    m_dataFailed = false;
    m_llReceived = 0;
    m_rate.Restart(NowMs());
    if (!SendLine(command))
        return false;
    if (passive) {
        m_data = ConnectTo(m_passiveHost, m_passivePort, m_timeouts.dataMs);
        if (m_data < 0)
            return false;
        return ReadReply() && m_replyClass == 1;
    }
    if (!ReadReply() || m_replyClass != 1)
        return false;
    if (WaitFd(m_listen, POLLIN, NowMs() + m_timeouts.dataMs) != 1)
        return false;
    m_data = ::accept4(m_listen, nullptr, nullptr, SOCK_NONBLOCK | SOCK_CLOEXEC);
    CloseFd(m_listen);
    return m_data >= 0;
}

bool CFTPClient::Size(const std::string& objectPath, int64_t& size)
{
    if (!Command("TYPE I") || !SendLine("SIZE " + objectPath) || !ReadReply() || m_reply.compare(0, 3, "213") != 0)
        return false;
    size = m_reply.size() > 4 ? std::strtoll(m_reply.c_str() + 4, nullptr, 10) : 0;
    return true;
}

bool CFTPClient::OpenTransfer(const std::string& objectPath, bool passive, int64_t offset, int64_t& remoteSize)
{
    bool opened = Size(objectPath, remoteSize) && remoteSize > 0;
    // The reply to REST is read but not judged: a server without restarts still sends from 0.
    opened = opened && OpenDataChannel(passive) && SendLine("REST " + std::to_string(offset)) && ReadReply() &&
             StartData("RETR " + objectPath, passive);
    if (!opened) {
        m_error = kFtpNetworkError;
        CloseData();
    }
    return opened;
}

int CFTPClient::Read(char* buffer, const FtpStopFn& stop)
{
    if (m_data < 0 || m_dataFailed)
        return -1;
    size_t count = 0;
    int64_t lastData = NowMs();
    while (count < kFtpBlockSize && !m_dataEnded) {
        // A server that trickles its data keeps no single wait long, but falls below the rate.
        const int64_t now = NowMs();
        if (!m_rate.Keeps(m_llReceived, now)) {
            m_dataFailed = true;
            m_error = kFtpTooSlow;
            return -1;
        }
        const int waited = WaitFd(m_data, POLLIN, std::min(lastData + m_timeouts.dataMs, m_rate.WindowEnd()), stop);
        if (waited < 0 || (waited == 0 && NowMs() >= lastData + m_timeouts.dataMs)) {
            m_dataFailed = true;
            break;
        }
        if (waited == 0)
            continue;
        const ssize_t n = ::recv(m_data, buffer + count, kFtpBlockSize - count, 0);
        if (n > 0) {
            count += static_cast<size_t>(n);
            m_llReceived += n;
            lastData = NowMs();
        } else if (n == 0) {
            m_dataEnded = true;
        } else if (errno != EAGAIN && errno != EINTR) {
            m_dataFailed = true;
            break;
        }
    }
    if (m_dataFailed) {
        m_error = kFtpNetworkError;
        return -1;
    }
    return static_cast<int>(count);
}

bool CFTPClient::FinishTransfer()
{
    CloseData();
    return ReadReply() && m_replyClass == 2;
}

void CFTPClient::CloseData()
{
    CloseFd(m_data);
    CloseFd(m_listen);
}

void CFTPClient::Close()
{
    if (m_control >= 0) {
        const std::string error = m_error;
        SendLine("QUIT");
        m_error = error;
    }
    CloseData();
    CloseFd(m_control);
    m_inbox.clear();
}

std::unique_ptr<FtpHandle> FtpOpen(const std::string& address, const FtpTimeouts& timeouts, std::string* error,
                                   bool passive)
{
    auto handle = std::make_unique<FtpHandle>(timeouts);
    handle->bPassive = passive;
    CFTPClient& session = handle->session;
    bool opened = ParseFtpAddress(address, handle->address) && handle->address.path.size() > 1;
    if (!opened && error)
        *error = kFtpConnectFailed;
    if (opened) {
        opened = ConnectAndLogon(session, handle->address) &&
                 session.OpenTransfer(ObjectPath(handle->address), passive, 0, handle->llSize);
        if (!opened && error)
            *error = session.Error();
    }
    if (!opened)
        return nullptr;
    return handle;
}

bool FtpRemoteSize(const std::string& address, int64_t& size, const FtpTimeouts& timeouts, std::string* error)
{
    FtpAddress parsed;
    if (!ParseFtpAddress(address, parsed) || parsed.path.size() < 2) {
        if (error)
            *error = kFtpConnectFailed;
        return false;
    }
    CFTPClient session(timeouts);
    const bool told = ConnectAndLogon(session, parsed) && session.Size(ObjectPath(parsed), size);
    if (!told && error)
        *error = session.Error();
    session.Close();
    return told;
}

bool DownloadFile(const std::string& address, const std::string& localPath, int64_t maxBytes,
                  const FtpDownloadControl& control)
{
    std::string reason;
    const auto fail = [&](const std::string& why) {
        if (control.error)
            *control.error = why;
        return false;
    };
    std::unique_ptr<FtpHandle> handle = FtpOpen(address, control.timeouts, &reason, control.passive);
    if (!handle)
        return fail(reason);
    const int fd = ::open(localPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0)
        return fail("cannot write " + localPath + ": " + std::strerror(errno));
    char block[kFtpBlockSize];
    int percent = -1;
    bool limitUsedUp = maxBytes == 0;
    bool dataEnded = false;
    bool stopped = false;
    bool writeFailed = false;
    while (!limitUsedUp) {
        if (control.stopRequested && control.stopRequested()) {
            stopped = true;
            break;
        }
        const int count = handle->session.Read(block, control.stopRequested);
        if (count <= 0) {
            dataEnded = count == 0;
            stopped = count < 0 && control.stopRequested && control.stopRequested();
            break;
        }
        const size_t keep = maxBytes < 0 ? static_cast<size_t>(count)
                                         : static_cast<size_t>(std::min<int64_t>(count, maxBytes - handle->llRead));
        if (!WriteAll(fd, block, keep)) {
            writeFailed = true;
            break;
        }
        handle->llRead += static_cast<int64_t>(keep);
        if (control.progress && handle->llSize > 0) {
            const int now = static_cast<int>(std::min<int64_t>(handle->llRead * 100 / handle->llSize, 100));
            if (now != percent)
                control.progress(percent = now);
        }
        limitUsedUp = maxBytes >= 0 && handle->llRead >= maxBytes;
    }
    ::close(fd);
    // The data connection also ends when the server drops it: only the announced size and the
    // server's own final word make a whole file.
    const bool whole = dataEnded && handle->llRead >= handle->llSize && handle->session.FinishTransfer();
    if (limitUsedUp || whole)
        return true;
    if (stopped)
        return fail("stopped");
    if (writeFailed)
        return fail("cannot write " + localPath);
    if (dataEnded && handle->llRead < handle->llSize)
        return fail("the data ended after " + std::to_string(handle->llRead) + " of " +
                    std::to_string(handle->llSize) + " bytes");
    return fail(handle->session.Error());
}

}  // namespace quarvik
