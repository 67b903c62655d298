#include "UdpSource.h"

#include "TextField.h"

#include <cstdio>
#include <cstdlib>

namespace quarvik {
namespace {

constexpr char kUdpScheme[] = "udp://";
constexpr int kWatchStopWaitMs = 10;
constexpr int kWatchDataWaitMs = 1000;
constexpr size_t kWatchDatagramBytes = 2048;

}  // namespace

std::string UdpStreamAddress(const std::string& ip, int port)
{
    char address[128];
    std::snprintf(address, sizeof(address), "udp://@%s:%d", ip.c_str(), port);
    return address;
}

bool ParseUdpStreamAddress(const std::string& address, std::string& ip, int& port)
{
    const std::string_view scheme(kUdpScheme);
    if (address.compare(0, scheme.size(), scheme) != 0)
        return false;
    size_t hostBegin = scheme.size();
    if (hostBegin < address.size() && address[hostBegin] == '@')
        ++hostBegin;
    const size_t colon = address.rfind(':');
    if (colon == std::string::npos || colon <= hostBegin || colon + 1 >= address.size())
        return false;
    const std::string digits = address.substr(colon + 1);
    if (digits.size() > 5 || digits.find_first_not_of("0123456789") != std::string::npos)
        return false;
    const int value = std::atoi(digits.c_str());
    if (value < 1 || value > 65535)
        return false;
    ip = address.substr(hostBegin, colon - hostBegin);
    port = value;
    return true;
}

void WatchUdpStream(const MonObj_t& target, CWorkerThread& self, const HandOverFn& handOver)
{
    self.ConfirmStarted();
    const std::string ip(FieldText(target.szIp));
    CUdpReceiver receiver;
    // A unicast port may be read by another reader for a long time (another task's check of
    // the same stream): the watcher waits for its turn until it is stopped.
    if (!receiver.Open(ip, target.nPort, [&self] { return self.StopRequested(); }))
        return;
    char datagram[kWatchDatagramBytes];
    while (!self.SleepUnlessStopped(kWatchStopWaitMs) && receiver.IsOpen()) {
        if (!receiver.DataReady(kWatchDataWaitMs))
            continue;
        if (receiver.Receive(datagram, sizeof(datagram)) > 0) {
            // The port is given up first, so the recorder of the new sub-task can take it.
            receiver.Close();
            handOver(UdpStreamAddress(ip, target.nPort), 0);
            break;
        }
    }
    receiver.Close();
}

bool IsUdpStreamAddress(const std::string& address)
{
    std::string ip;
    int port = 0;
    return ParseUdpStreamAddress(address, ip, port);
}

bool TakeStreamTurn(const std::string& address, CUdpPortTurn& turn, const std::function<bool()>& giveUp)
{
    std::string ip;
    int port = 0;
    return !ParseUdpStreamAddress(address, ip, port) || turn.Take(ip, port, giveUp);
}

SourceBodyFn UdpSourceBody(const MonObj_t& target)
{
    return [target](CWorkerThread& self, const HandOverFn& handOver) { WatchUdpStream(target, self, handOver); };
}

bool CUdpFetcher::Fetch(const SubTaskInfo_t& subTask, const std::string& localPath, int64_t maxBytes)
{
    std::string ip;
    int port = 0;
    return ParseUdpStreamAddress(std::string(FieldText(subTask.szFilename)), ip, port) &&
           m_recorder.Record(ip, port, localPath, maxBytes);
}

}  // namespace quarvik
