#include "LocalFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

namespace quarvik {
namespace {

const char* KindOf(mode_t mode)
{
    if (S_ISFIFO(mode))
        return "a FIFO";
    if (S_ISSOCK(mode))
        return "a socket";
    if (S_ISCHR(mode) || S_ISBLK(mode))
        return "a device";
    return "a special file";
}

std::string Refusal(const std::string& path, mode_t mode)
{
    return path + " is " + KindOf(mode) + ", not a regular file: refused";
}

}  // namespace

std::string SpecialFileReason(const std::string& path)
{
    if (path.find("://") != std::string::npos)
        return "";
    const std::string local = path.rfind("file:", 0) == 0 ? path.substr(5) : path;
    struct stat st;
    if (::stat(local.c_str(), &st) != 0 || S_ISREG(st.st_mode) || S_ISDIR(st.st_mode))
        return "";
    return Refusal(path, st.st_mode);
}

bool ReadRegularFile(const std::string& path, std::string& bytes, size_t maxBytes, std::string* why)
{
    const auto fail = [&](const std::string& reason) {
        if (why)
            *why = reason;
        return false;
    };
    // Non-blocking: opening a FIFO without a writer would wait here.
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return fail(path + ": " + std::strerror(errno));
    struct stat st;
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        const mode_t mode = st.st_mode;
        ::close(fd);
        return fail(Refusal(path, mode));
    }
    bytes.clear();
    char buffer[65536];
    while (bytes.size() < maxBytes) {
        const ssize_t n = ::read(fd, buffer, std::min(sizeof buffer, maxBytes - bytes.size()));
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0) {
            const int error = errno;
            ::close(fd);
            return fail(path + ": " + std::strerror(error));
        }
        if (n == 0)
            break;
        bytes.append(buffer, static_cast<size_t>(n));
    }
    ::close(fd);
    return true;
}

}  // namespace quarvik
