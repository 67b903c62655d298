// A real FTP server for the tests: pyftpdlib on 127.0.0.1 at a port of its choosing, serving
// a folder to "quser"/"qpass", to a user whose name and password hold every delimiter of an
// address, and to anonymous users.
#pragma once

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <string>

namespace quarvik {

inline constexpr char kServerScript[] = R"(
import sys
from pyftpdlib.authorizers import DummyAuthorizer
from pyftpdlib.handlers import FTPHandler
from pyftpdlib.servers import FTPServer
root = sys.argv[1]
a = DummyAuthorizer()
a.add_user("quser", "qpass", root, perm="elradfmw")
a.add_user("o:p/@%x", "pa/ss@:%41?#", root, perm="elr")
a.add_anonymous(root)
FTPHandler.authorizer = a
s = FTPServer(("127.0.0.1", 0), FTPHandler)
print(s.address[1], flush=True)
s.serve_forever()
)";

// pyftpdlib serving root; the port is read from its first output line within 15 s.
class PyFtpServer {
public:
    explicit PyFtpServer(const std::string& root, const char* script = kServerScript, const std::string& extra = "")
    {
        int out[2];
        if (::pipe(out) != 0)
            return;
        m_pid = ::fork();
        if (m_pid == 0) {
            ::dup2(out[1], 1);
            const int null = ::open("/dev/null", O_WRONLY);
            ::dup2(null, 2);
            // The Debian package installs for the system interpreter, which PATH may shadow.
            const char* more = extra.empty() ? nullptr : extra.c_str();
            ::execl("/usr/bin/python3", "python3", "-c", script, root.c_str(), more, static_cast<char*>(nullptr));
            ::execlp("python3", "python3", "-c", script, root.c_str(), more, static_cast<char*>(nullptr));
            ::_exit(127);
        }
        ::close(out[1]);
        std::string line;
        pollfd p{out[0], POLLIN, 0};
        while (line.find('\n') == std::string::npos && ::poll(&p, 1, 15000) == 1) {
            char c[64];
            const ssize_t n = ::read(out[0], c, sizeof c);
            if (n <= 0)
                break;
            line.append(c, static_cast<size_t>(n));
        }
        ::close(out[0]);
        m_port = std::atoi(line.c_str());
    }
    ~PyFtpServer() { Kill(); }
    // The server goes away at once, in the middle of whatever it serves.
    void Kill()
    {
        if (m_pid > 0) {
            ::kill(m_pid, SIGKILL);
            ::waitpid(m_pid, nullptr, 0);
            m_pid = -1;
        }
    }
    int Port() const { return m_port; }

private:
    pid_t m_pid = -1;
    int m_port = 0;
};

}  // namespace quarvik
