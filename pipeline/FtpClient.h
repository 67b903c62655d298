// A small blocking FTP client on POSIX sockets: downloads one remote file from its beginning
// (whole, or its first bytes for thumbnails and format checks). Listing is FtpList.h's.
//
// Every wait on the server is bounded: connecting, each reply and each data read fail the step
// after their time-out (FtpTimeouts), and a transfer must keep the minimum rate over every
// window (NetBounds.h), so a server that stops answering or trickles never hangs a worker.
// Every wait ends at once on a stop: the download's predicate, or the stop of the worker whose
// thread runs the client (CurrentWorkerStopRequested).
//
// Threads: a CFTPClient or FtpHandle belongs to one thread at a time and nothing of a session is
// shared; each download opens its own session. Failures are reported by false or -1
// with the error text (Error()); nothing is retried and nothing throws.
//
// Addresses (FtpAddress.h) carry the password: print them only in their display form
// (DisplayFileName, common/FileDisplay.h).
#pragma once

#include "FtpAddress.h"
#include "NetBounds.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

namespace quarvik {

// Error texts of the client.
inline constexpr char kFtpLogonFailed[] = "登陆失败!";        // 101
inline constexpr char kFtpNetworkError[] = "网络错误!";       // 103 and 108
inline constexpr char kFtpConnectFailed[] = "连接服务器失败!";  // 105
inline constexpr char kFtpTooSlow[] = "the data came slower than the minimum rate";

inline constexpr size_t kFtpBlockSize = 8192;

// Defaults: the network window (NetBounds.h), 30 s unless QUARVIK_NET_WINDOW_MS says otherwise.
struct FtpTimeouts {
    int connectMs = NetWindowMs();
    int replyMs = NetWindowMs();  // a whole reply, all lines of a multi-line one
    int dataMs = NetWindowMs();   // the data connection's arrival and every wait for data on it
};


using FtpStopFn = std::function<bool()>;

// One control session.
class CFTPClient {
public:
    explicit CFTPClient(FtpTimeouts timeouts = {});
    ~CFTPClient();
    CFTPClient(const CFTPClient&) = delete;
    CFTPClient& operator=(const CFTPClient&) = delete;

    // Connects and takes the greeting, which must be of class 2.
    bool Connect(const std::string& server, int port);
    // Logon of firewall type 0: USER; PASS on 3xx; ACCT (no account) on a further 3xx.
    bool Logon(const std::string& user, const std::string& password);
    // Sends text (unless empty) and reads the reply; true for class 2.
    bool Command(const std::string& text);

    // TYPE I, then SIZE, whose reply must begin with "213"; size is the number it gives.
    bool Size(const std::string& objectPath, int64_t& size);
    // Size (which must be above 0), PORT or PASV, REST offset, RETR. On success the data
    // connection is open and remoteSize holds the size.
    bool OpenTransfer(const std::string& objectPath, bool passive, int64_t offset, int64_t& remoteSize);
    // Fills buffer with up to kFtpBlockSize bytes; the count, 0 at the end of the data, -1 on
    // a network failure, a data time-out, a stop, or with no data connection.
    int Read(char* buffer, const FtpStopFn& stop = {});
    // After the data ended: closes the data connection and takes the transfer's final reply;
    // true when it is of class 2.
    bool FinishTransfer();

    // Sends QUIT without awaiting its reply and closes every socket.
    void Close();

    const std::string& Error() const { return m_error; }
    const std::string& LastReply() const { return m_reply; }
    int ReplyClass() const { return m_replyClass; }

private:
    bool SendLine(const std::string& text);
    bool ReadReply();
    bool ReadLine(std::string& line, int64_t deadlineMs);
    bool OpenDataChannel(bool passive);
    bool StartData(const std::string& command, bool passive);
    void CloseData();

    const FtpTimeouts m_timeouts;
    std::string m_error;
    int m_control = -1;
    std::string m_inbox;  // control bytes received beyond the last line
    std::string m_reply;
    int m_replyClass = 0;
    int m_listen = -1;  // active mode
    int m_data = -1;
    std::string m_passiveHost;
    int m_passivePort = 0;
    bool m_dataEnded = false;
    bool m_dataFailed = false;
    int64_t m_llReceived = 0;  // bytes of the current transfer
    CRateFloor m_rate;
};

// An address opened for reading: its session and transfer.
struct FtpHandle {
    explicit FtpHandle(const FtpTimeouts& timeouts) : session(timeouts) {}
    CFTPClient session;
    FtpAddress address;
    bool bPassive = false;  // the pipeline always uses active mode
    int64_t llRead = 0;
    int64_t llSize = 0;
};

// Connect, logon (an empty user logs on as "anonymous") and open the transfer at offset 0.
// The address's path names the file below the login folder: its leading "/" is dropped, as
// the listing (FtpList.h) and the decoding engine read it.
// nullptr on failure, with the error text in error when given.
std::unique_ptr<FtpHandle> FtpOpen(const std::string& address, const FtpTimeouts& timeouts = {},
                                   std::string* error = nullptr, bool passive = false);

// Logs on and asks the size of the address's file, as a download would (TYPE I, SIZE). False
// when the server does not tell it, with the error text in error when given.
bool FtpRemoteSize(const std::string& address, int64_t& size, const FtpTimeouts& timeouts = {},
                   std::string* error = nullptr);

struct FtpDownloadControl {
    FtpStopFn stopRequested;                   // asked between blocks; a stop fails the download
    std::function<void(int percent)> progress;  // each time the percentage changes
    FtpTimeouts timeouts;
    bool passive = false;
    std::string* error = nullptr;  // the reason of a failure
};

// Downloads address into localPath (created or truncated), at most maxBytes (-1: no limit).
// True when maxBytes were written, or when the whole file arrived (as many bytes as SIZE gave
// and a class 2 final reply). A partial file is left in place.
bool DownloadFile(const std::string& address, const std::string& localPath, int64_t maxBytes,
                  const FtpDownloadControl& control = {});

}  // namespace quarvik
