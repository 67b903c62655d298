#include "MountNotifier.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/inotify.h>
#include <sys/vfs.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <filesystem>

namespace quarvik {
namespace {

constexpr long kProcSuperMagic = 0x9fa0;

bool IsProcFile(int fd)
{
    struct statfs info {};
    return ::fstatfs(fd, &info) == 0 && info.f_type == kProcSuperMagic;
}

// Empties the inotify queue; true when one of its events names the file.
bool DrainNotify(int fd, const std::string& name)
{
    alignas(inotify_event) char buffer[4096];
    bool named = false;
    for (;;) {
        const ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n <= 0)
            return named;
        for (ssize_t at = 0; at < n;) {
            const auto* event = reinterpret_cast<const inotify_event*>(buffer + at);
            if (event->len > 0 && name == event->name)
                named = true;
            at += static_cast<ssize_t>(sizeof(inotify_event) + event->len);
        }
    }
}

}  // namespace

CMountNotifier::CMountNotifier(MountTablePaths paths, EventsFn onEvents)
    : m_watcher(paths), m_table(paths.mountInfo), m_onEvents(std::move(onEvents))
{
    m_wakeFd = ::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    m_tableFd = ::open(m_table.c_str(), O_RDONLY | O_CLOEXEC);
    if (m_tableFd >= 0 && !IsProcFile(m_tableFd)) {
        ::close(m_tableFd);
        m_tableFd = -1;
        const std::filesystem::path table(m_table);
        m_notifyFd = ::inotify_init1(IN_CLOEXEC | IN_NONBLOCK);
        const std::string folder = table.has_parent_path() ? table.parent_path().string() : ".";
        if (m_notifyFd >= 0 &&
            ::inotify_add_watch(m_notifyFd, folder.c_str(), IN_CLOSE_WRITE | IN_MOVED_TO) < 0) {
            ::close(m_notifyFd);
            m_notifyFd = -1;
        }
    }
    m_watching = m_wakeFd >= 0 && (m_tableFd >= 0 || m_notifyFd >= 0);
    m_thread = std::thread([this] { Run(); });
}

CMountNotifier::~CMountNotifier()
{
    const uint64_t one = 1;
    if (m_wakeFd >= 0 && ::write(m_wakeFd, &one, sizeof one) != sizeof one) {
        // An eventfd write fails only when its counter is full, which wakes the thread too.
    }
    m_thread.join();
    for (const int fd : {m_tableFd, m_notifyFd, m_wakeFd}) {
        if (fd >= 0)
            ::close(fd);
    }
}

void CMountNotifier::Run()
{
    const std::string name = std::filesystem::path(m_table).filename().string();
    std::vector<MountEvent> events = m_watcher.Poll();
    if (!events.empty())
        m_onEvents(std::move(events));
    if (!m_watching)
        return;
    for (;;) {
        pollfd fds[2] = {{m_wakeFd, POLLIN, 0}, {m_tableFd >= 0 ? m_tableFd : m_notifyFd, 0, 0}};
        fds[1].events = m_tableFd >= 0 ? POLLPRI : POLLIN;
        if (::poll(fds, 2, -1) < 0)
            continue;  // a signal
        if (fds[0].revents)
            return;
        // The kernel flags each change of the table once per open descriptor, at this poll.
        const bool changed = m_tableFd >= 0 ? (fds[1].revents & (POLLPRI | POLLERR)) != 0
                                            : DrainNotify(m_notifyFd, name);
        if (!changed)
            continue;
        events = m_watcher.Poll();
        if (!events.empty())
            m_onEvents(std::move(events));
    }
}

void CVolumeRouter::Register(IVolumeReceiver* receiver)
{
    if (!receiver || std::find(m_receivers.begin(), m_receivers.end(), receiver) != m_receivers.end())
        return;
    m_receivers.push_back(receiver);
    for (const std::string& mount : m_present) {
        if (m_holder.emplace(mount, receiver).second)
            receiver->OnVolumeArrived(mount);
    }
}

void CVolumeRouter::Unregister(IVolumeReceiver* receiver)
{
    m_receivers.erase(std::remove(m_receivers.begin(), m_receivers.end(), receiver), m_receivers.end());
    std::erase_if(m_holder, [receiver](const auto& held) { return held.second == receiver; });
}

void CVolumeRouter::OnEvents(const std::vector<MountEvent>& events)
{
    for (const MountEvent& event : events) {
        if (event.arrived) {
            m_present.insert(event.mountPoint);
            if (IVolumeReceiver* receiver = Current()) {
                m_holder[event.mountPoint] = receiver;
                receiver->OnVolumeArrived(event.mountPoint);
            }
            continue;
        }
        m_present.erase(event.mountPoint);
        const auto held = m_holder.find(event.mountPoint);
        if (held == m_holder.end())
            continue;
        IVolumeReceiver* receiver = held->second;
        m_holder.erase(held);
        receiver->OnVolumeRemoved(event.mountPoint);
    }
}

}  // namespace quarvik
