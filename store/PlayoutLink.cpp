#include "PlayoutLink.h"

#include "Settings.h"
#include "TextField.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sql.h>
#include <sqlext.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <chrono>
#include <cstdio>
#include <cstring>

namespace quarvik {
namespace {

constexpr char kClipNameQuery[] = "SELECT strClipName FROM BMI_CLIPINFO WHERE strClipFile=?";

// ODBC quotes a value holding ';', braces or outer blanks in braces, doubling a '}' inside.
std::string ConnectionValue(const std::string& value)
{
    const bool plain = value.find_first_of(";{}") == std::string::npos &&
                       (value.empty() || (value.front() != ' ' && value.back() != ' '));
    if (plain)
        return value;
    std::string quoted = "{";
    for (const char c : value) {
        quoted += c;
        if (c == '}')
            quoted += '}';
    }
    return quoted + "}";
}

// The first diagnostic record of a handle, as "[driver]... message".
std::string Diagnostic(SQLSMALLINT type, SQLHANDLE handle)
{
    SQLCHAR state[6] = {};
    SQLCHAR text[1024] = {};
    SQLINTEGER native = 0;
    SQLSMALLINT length = 0;
    if (!handle || !SQL_SUCCEEDED(SQLGetDiagRec(type, handle, 1, state, &native, text, sizeof(text), &length)))
        return "unknown ODBC error";
    return reinterpret_cast<const char*>(text);
}

bool IsLocalName(const std::string& name)
{
    std::string lower = name;
    std::transform(lower.begin(), lower.end(), lower.begin(), [](unsigned char c) { return std::tolower(c); });
    return lower == "(local)";
}

}  // namespace

PlayoutLogon ReadPlayoutLogon()
{
    return {ReadSetting(kDbServer), ReadSetting(kDbUser), ReadDbPass()};
}

std::string PlayoutConnectionString(const std::string& driverPart, const PlayoutLogon& logon)
{
    return driverPart + ";Server=" + ConnectionValue(logon.server) + ";UID=" + ConnectionValue(logon.user) +
           ";PWD=" + ConnectionValue(logon.password);
}

CPlayoutLink::CPlayoutLink(std::string driverPart) : m_driverPart(std::move(driverPart)) {}

CPlayoutLink::~CPlayoutLink()
{
    Close();
}

void CPlayoutLink::Close()
{
    if (m_dbc) {
        SQLDisconnect(m_dbc);
        SQLFreeHandle(SQL_HANDLE_DBC, m_dbc);
        m_dbc = nullptr;
    }
    if (m_env) {
        SQLFreeHandle(SQL_HANDLE_ENV, m_env);
        m_env = nullptr;
    }
    m_openString.clear();
}

bool CPlayoutLink::Open(const PlayoutLogon& logon, std::string* error)
{
    Close();
    const auto fail = [&](const std::string& text) {
        if (error)
            *error = text;
        Close();
        return false;
    };
    if (!SQL_SUCCEEDED(SQLAllocHandle(SQL_HANDLE_ENV, SQL_NULL_HANDLE, &m_env))) {
        m_env = nullptr;
        return fail("建立数据库实例失败!");
    }
    SQLSetEnvAttr(m_env, SQL_ATTR_ODBC_VERSION, reinterpret_cast<SQLPOINTER>(SQL_OV_ODBC3), 0);
    SQLHDBC dbc = nullptr;
    if (!SQL_SUCCEEDED(SQLAllocHandle(SQL_HANDLE_DBC, m_env, &dbc)))
        return fail("建立数据库实例失败!");
    SQLSetConnectAttr(dbc, SQL_ATTR_LOGIN_TIMEOUT, reinterpret_cast<SQLPOINTER>(kPlayoutTimeoutSeconds), 0);
    SQLSetConnectAttr(dbc, SQL_ATTR_CONNECTION_TIMEOUT, reinterpret_cast<SQLPOINTER>(kPlayoutTimeoutSeconds), 0);
    const std::string text = PlayoutConnectionString(m_driverPart, logon);
    std::vector<SQLCHAR> in(text.begin(), text.end());
    SQLCHAR out[1024];
    SQLSMALLINT outLength = 0;
    const SQLRETURN rc = SQLDriverConnect(dbc, nullptr, in.data(), static_cast<SQLSMALLINT>(in.size()), out,
                                          sizeof(out), &outLength, SQL_DRIVER_NOPROMPT);
    if (!SQL_SUCCEEDED(rc)) {
        const std::string why = Diagnostic(SQL_HANDLE_DBC, dbc);
        SQLFreeHandle(SQL_HANDLE_DBC, dbc);
        return fail(why);
    }
    m_dbc = dbc;
    m_openString = text;
    return true;
}

bool CPlayoutLink::LookupClipName(const std::string& baseName, std::string& clipName)
{
    // The settings are read each time so that a server changed in the options takes effect
    // with the next result; an unchanged logon keeps its connection.
    const PlayoutLogon logon = ReadPlayoutLogon();
    if (!IsOpen() || PlayoutConnectionString(m_driverPart, logon) != m_openString) {
        std::string error;
        if (!Open(logon, &error)) {
            std::fprintf(stderr, "playout database: %s\n", error.c_str());
            return false;
        }
    }
    return Query(baseName, clipName);
}

bool CPlayoutLink::Query(const std::string& baseName, std::string& clipName)
{
    SQLHSTMT stmt = nullptr;
    if (!SQL_SUCCEEDED(SQLAllocHandle(SQL_HANDLE_STMT, m_dbc, &stmt))) {
        std::fprintf(stderr, "playout database: %s\n", Diagnostic(SQL_HANDLE_DBC, m_dbc).c_str());
        Close();
        return false;
    }
    SQLSetStmtAttr(stmt, SQL_ATTR_QUERY_TIMEOUT, reinterpret_cast<SQLPOINTER>(kPlayoutTimeoutSeconds), 0);
    std::vector<SQLCHAR> name(baseName.begin(), baseName.end());
    name.push_back(0);
    SQLLEN nameLength = static_cast<SQLLEN>(baseName.size());
    bool failed = false;
    bool found = false;
    const auto ok = [&](SQLRETURN rc) {
        if (!SQL_SUCCEEDED(rc) && rc != SQL_NO_DATA)
            failed = true;
        return !failed;
    };
    if (ok(SQLBindParameter(stmt, 1, SQL_PARAM_INPUT, SQL_C_CHAR, SQL_VARCHAR,
                            std::max<SQLULEN>(baseName.size(), 1), 0, name.data(), nameLength, &nameLength)) &&
        ok(SQLExecDirect(stmt, reinterpret_cast<SQLCHAR*>(const_cast<char*>(kClipNameQuery)), SQL_NTS))) {
        const SQLRETURN fetched = SQLFetch(stmt);
        if (ok(fetched) && fetched != SQL_NO_DATA) {
            // Only the first 63 bytes are kept: one read of a 256-byte buffer covers them.
            SQLCHAR value[256] = {};
            SQLLEN valueLength = 0;
            const SQLRETURN got = SQLGetData(stmt, 1, SQL_C_CHAR, value, sizeof(value), &valueLength);
            if (ok(got) && got != SQL_NO_DATA && valueLength != SQL_NULL_DATA) {
                char field[64];
                CopyField(field, reinterpret_cast<const char*>(value));
                clipName = field;
                found = !clipName.empty();
            }
        }
    }
    if (failed)
        std::fprintf(stderr, "playout database: %s\n", Diagnostic(SQL_HANDLE_STMT, stmt).c_str());
    SQLFreeHandle(SQL_HANDLE_STMT, stmt);
    if (failed)
        Close();
    return found;
}

std::string TestPlayoutConnection(const PlayoutLogon& logon, bool& ok, const std::string& driverPart)
{
    ok = false;
    if (logon.server.empty() || logon.user.empty() || logon.password.empty())
        return "请输入完整数据!";
    CPlayoutLink link(driverPart);
    std::string detail;
    ok = link.Open(logon, &detail);
    if (ok)
        detail.clear();
    link.Close();
    char text[2048];
    std::snprintf(text, sizeof(text), "连接数据库服务器 \"%s\" %s!\r\n\r\n%s", logon.server.c_str(),
                  ok ? "成功" : "失败", detail.c_str());
    return text;
}

std::vector<std::string> ParseSqlBrowserReply(const std::string& reply)
{
    std::vector<std::string> names;
    size_t pos = 0;
    while (pos < reply.size()) {
        size_t end = reply.find(";;", pos);
        if (end == std::string::npos)
            end = reply.size();
        // One instance: key;value;key;value...
        std::string server, instance;
        size_t at = pos;
        while (at < end) {
            const size_t keyEnd = std::min(reply.find(';', at), end);
            const size_t valueEnd = keyEnd < end ? std::min(reply.find(';', keyEnd + 1), end) : end;
            const std::string key = reply.substr(at, keyEnd - at);
            const std::string value = keyEnd < end ? reply.substr(keyEnd + 1, valueEnd - keyEnd - 1) : "";
            if (key == "ServerName")
                server = value;
            else if (key == "InstanceName")
                instance = value;
            at = valueEnd + 1;
        }
        if (!server.empty()) {
            const std::string name = instance.empty() || instance == "MSSQLSERVER" ? server : server + "\\" + instance;
            if (!IsLocalName(server) && !IsLocalName(name))
                names.push_back(name);
        }
        pos = end + 2;
    }
    return names;
}

std::vector<std::string> EnumerateSqlServers(const SqlBrowserTarget& target, int waitMs)
{
    std::vector<std::string> names;
    sockaddr_in to{};
    to.sin_family = AF_INET;
    to.sin_port = htons(target.port);
    if (::inet_pton(AF_INET, target.address.c_str(), &to.sin_addr) != 1)
        return names;
    const bool broadcast = to.sin_addr.s_addr == htonl(INADDR_BROADCAST);
    const int fd = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    if (fd < 0)
        return names;
    const int on = 1;
    if (broadcast)
        ::setsockopt(fd, SOL_SOCKET, SO_BROADCAST, &on, sizeof(on));
    // CLNT_BCAST_EX to all servers, CLNT_UCAST_EX to one host: both ask for every instance.
    const unsigned char request = broadcast ? 0x02 : 0x03;
    if (::sendto(fd, &request, 1, 0, reinterpret_cast<const sockaddr*>(&to), sizeof(to)) != 1) {
        ::close(fd);
        return names;
    }
    using Clock = std::chrono::steady_clock;
    const Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(std::max(waitMs, 0));
    for (;;) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
        if (left <= 0)
            break;
        pollfd p{fd, POLLIN, 0};
        if (::poll(&p, 1, static_cast<int>(left)) <= 0)
            break;
        unsigned char buffer[65536];
        const ssize_t got = ::recv(fd, buffer, sizeof(buffer), 0);
        // SVR_RESP: 0x05, the payload length (little-endian 16 bits), the payload.
        if (got < 3 || buffer[0] != 0x05)
            continue;
        const size_t length = std::min<size_t>(buffer[1] | (buffer[2] << 8), static_cast<size_t>(got) - 3);
        for (std::string& name : ParseSqlBrowserReply(std::string(reinterpret_cast<char*>(buffer) + 3, length))) {
            if (std::find(names.begin(), names.end(), name) == names.end())
                names.push_back(std::move(name));
        }
    }
    ::close(fd);
    return names;
}

}  // namespace quarvik
