// Receiving a UDP stream: the socket wrapper, the receiver shared by the UDP watcher and the
// recorder, and the recorder that writes the start of a stream into a local file.
//
// A multicast address is received by joining its group on any interface; any other address
// by listening on the port alone. Every receiver sets address reuse, so the watcher, the
// recorder and the decoding engine may receive the same group and port at the same time.
// A unicast port hands each datagram to one socket only, the one bound last, so its readers
// in this process take turns at it instead (CUdpPortTurn).
//
// Threads: each object belongs to the thread that uses it; only the turns at unicast ports are
// shared, process-wide and thread-safe. All calls block their thread for at most the time-outs
// given. Diagnostics go to standard error (DataReady, socket set-up), never to the operator or
// to standard output.
#pragma once

#include <netinet/in.h>
#include <sys/types.h>

#include <cstdint>
#include <functional>
#include <string>

namespace quarvik {

// How long a recording waits for the next datagram before it gives up.
inline constexpr int kUdpSilenceTimeoutMs = 30000;

// The receive buffer every receiver asks for.
inline constexpr int kUdpReceiveBufferBytes = 32768;

// Owns one socket handle; the destructor closes it.
class CMySocket {
public:
    CMySocket() = default;
    CMySocket(const CMySocket&) = delete;
    CMySocket& operator=(const CMySocket&) = delete;
    ~CMySocket() { Close(); }

    // Takes over handle (closing the one held before).
    void Attach(int handle);
    void Close();
    int Handle() const { return m_hSocket; }
    bool IsOpen() const { return m_hSocket >= 0; }
    // The errno of the last failure seen by DataReady; -1 while none was seen.
    int LastError() const { return m_nLastError; }

    // 1 when a datagram can be read within timeoutMs, 0 otherwise. An error pending on the
    // socket is printed and closes it, so every later call answers 0 at once.
    int DataReady(int timeoutMs);

private:
    int m_hSocket = -1;
    int m_nLastError = -1;
};

// True when ip is a dotted IPv4 address of the multicast range 224.0.0.0/4.
bool IsMulticastAddress(const std::string& ip);

// The right to read a unicast UDP port in this process. The watcher, the recorder and the
// decoding engine of a target, and those of every other target on the same port, would starve
// each other there, so at any moment at most one of them holds the port's turn; it takes the
// turn before its socket is bound and gives it back once the socket is closed. A multicast
// group reaches every member and needs no turn. Thread-safe; a turn is given back by its
// destructor at the latest.
class CUdpPortTurn {
public:
    CUdpPortTurn() = default;
    CUdpPortTurn(const CUdpPortTurn&) = delete;
    CUdpPortTurn& operator=(const CUdpPortTurn&) = delete;
    ~CUdpPortTurn() { Release(); }

    // Waits for the turn at port, unless ip is a multicast address (true at once). False when
    // giveUp, asked about every 10 ms while the port is taken, returned true first; an empty
    // giveUp takes only a free turn.
    bool Take(const std::string& ip, int port, const std::function<bool()>& giveUp);
    void Release();

private:
    int m_nPort = 0;  // 0: no turn held
};

// One socket receiving datagrams sent to ip:port.
class CUdpReceiver {
public:
    CUdpReceiver() = default;
    CUdpReceiver(const CUdpReceiver&) = delete;
    CUdpReceiver& operator=(const CUdpReceiver&) = delete;
    ~CUdpReceiver() { Close(); }

    // False (and nothing open) when ip is not a dotted IPv4 address, port is outside 1..65535,
    // the turn at a unicast port was given up (CUdpPortTurn::Take with giveUp), or the socket
    // cannot be bound or the group not joined.
    bool Open(const std::string& ip, int port, const std::function<bool()>& giveUp = {});
    // Leaves the group when one was joined, closes the socket and gives back the turn.
    void Close();
    bool IsOpen() const { return m_socket.IsOpen(); }

    int DataReady(int timeoutMs) { return m_socket.DataReady(timeoutMs); }
    // Reads one datagram into buffer, cut to size bytes; its length, or -1 when none is
    // there or the socket failed. Never blocks.
    ssize_t Receive(void* buffer, size_t size);

private:
    CUdpPortTurn m_turn;
    CMySocket m_socket;
    bool m_bJoined = false;
    ip_mreq m_group{};
};

// Writes the datagrams of a stream, whole and in arrival order, into a file.
class CUdpRecorder {
public:
    // silenceTimeoutMs: how long without any datagram fails the recording (tests shorten it).
    explicit CUdpRecorder(int silenceTimeoutMs = kUdpSilenceTimeoutMs) : m_silenceTimeoutMs(silenceTimeoutMs) {}

    // Records ip:port into filePath (created or truncated) until maxBytes have arrived; the
    // last datagram may take the file beyond maxBytes. True only when the limit was reached.
    // Ends as not completed when the receiver or the file cannot be opened, a write falls
    // short, the socket fails, no datagram arrives for the silence time-out (the wait for the
    // turn at a unicast port counts as silence), or stopRequested (checked between datagrams;
    // may be empty) returns true. A failed recording leaves the file with what arrived; the
    // caller removes it.
    bool Record(const std::string& ip, int port, const std::string& filePath, int64_t maxBytes,
                const std::function<bool()>& stopRequested = {}) const;

private:
    const int m_silenceTimeoutMs;
};

}  // namespace quarvik
