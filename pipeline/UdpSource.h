// The source of a monitoring task with a UDP target (target type 1), and the fetch of a
// stream's start for the thumbnail and the format check.
//
// The watcher waits until the stream carries data and then hands its address "udp://@ip:port"
// on once, with size 0; it does not run again until the task's next Start. A target whose
// receiver cannot be opened (an address that does not convert, a refused group join) ends the
// watcher at once and hands nothing on. At a unicast port another reader has (CUdpPortTurn),
// the watcher waits for its turn.
//
// Threads: the source body runs on the task's source thread and calls handOver there; the
// fetcher runs on the fetching (thumbnail or check) thread and blocks it.
#pragma once

#include "CheckRunner.h"
#include "FormatCheck.h"
#include "TemplRecords.h"
#include "UdpRecorder.h"

#include <string>

namespace quarvik {

// "udp://@<ip>:<port>", the address a UDP sub-task carries and the decoding engine opens.
std::string UdpStreamAddress(const std::string& ip, int port);

// Splits "udp://@<ip>:<port>" (the "@" may be missing); false for anything else, or a port
// outside 1..65535.
bool ParseUdpStreamAddress(const std::string& address, std::string& ip, int& port);
bool IsUdpStreamAddress(const std::string& address);

// The watcher of target.szIp, target.nPort; returns when it has handed the stream on, when
// the receiver cannot be opened or fails, or when the thread's stop event is set.
void WatchUdpStream(const MonObj_t& target, CWorkerThread& self, const HandOverFn& handOver);

// The source thread of a UDP target.
SourceBodyFn UdpSourceBody(const MonObj_t& target);

// Before the decoding engine reads a stream address: waits for the turn at its port when it
// is a unicast "udp://" stream (CUdpPortTurn::Take). True at once for any other address.
bool TakeStreamTurn(const std::string& address, CUdpPortTurn& turn, const std::function<bool()>& giveUp);

// Records the stream named by a sub-task's szFilename ("udp://@ip:port") into the local file.
// No stop event reaches it; a silent stream, or a unicast port another reader keeps, fails it
// after the recorder's silence time-out.
class CUdpFetcher : public ICheckFetcher {
public:
    explicit CUdpFetcher(int silenceTimeoutMs = kUdpSilenceTimeoutMs) : m_recorder(silenceTimeoutMs) {}
    virtual ~CUdpFetcher() = default;

    bool Fetch(const SubTaskInfo_t& subTask, const std::string& localPath, int64_t maxBytes) override;

private:
    const CUdpRecorder m_recorder;
};

}  // namespace quarvik
