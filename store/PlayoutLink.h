// The link to the playout system's clip catalogue: a SQL Server database reached over ODBC
// (unixODBC with the FreeTDS driver), where every clip file has a clip name.
//
// The connection string is the driver part (which names the driver and the catalogue) followed
// by the server, user and password; tests pass a driver part of their own (the SQLite ODBC
// driver with a file holding a BMI_CLIPINFO table). Values are quoted as ODBC requires, so a
// password with ';' or braces reaches the server as typed.
//
// Threads: a CPlayoutLink is used by one thread at a time (the result list's home thread); it
// holds at most one connection. Every ODBC call is bounded by kPlayoutTimeoutSeconds, so a
// server that does not answer costs that long at most. Errors: nothing throws; failures are
// false results, with the driver's description where one is asked for and on stderr.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace quarvik {

inline constexpr char kPlayoutCatalogue[] = "BMI_CLIPINFO";
// FreeTDS for SQL Server; names come back in UTF-8 like every text of the program.
inline constexpr char kFreeTdsDriverPart[] = "Driver=FreeTDS;ClientCharset=UTF-8;Database=BMI_CLIPINFO";
inline constexpr int kPlayoutTimeoutSeconds = 10;

struct PlayoutLogon {
    std::string server;
    std::string user;
    std::string password;  // plain text
};

// DbServer, DbUser and DbPass (unscrambled) as the settings file holds them now.
PlayoutLogon ReadPlayoutLogon();

// driverPart followed by Server, UID and PWD.
std::string PlayoutConnectionString(const std::string& driverPart, const PlayoutLogon& logon);

class CPlayoutLink {
public:
    explicit CPlayoutLink(std::string driverPart = kFreeTdsDriverPart);
    ~CPlayoutLink();
    CPlayoutLink(const CPlayoutLink&) = delete;
    CPlayoutLink& operator=(const CPlayoutLink&) = delete;

    // Connects with the logon given, dropping any connection held before; false with the
    // driver's description in error.
    bool Open(const PlayoutLogon& logon, std::string* error = nullptr);
    void Close();
    bool IsOpen() const { return m_dbc != nullptr; }

    // The clip name of the file whose name without folder and extension is baseName: the
    // strClipName of the first BMI_CLIPINFO row with that strClipFile, cut to 63 bytes. Uses
    // the held connection while the settings still name it, otherwise connects with the
    // settings. Any failure drops the connection (the next call connects again) and yields
    // false; a file without a row, or a row without a name, yields false too.
    bool LookupClipName(const std::string& baseName, std::string& clipName);

private:
    bool Query(const std::string& baseName, std::string& clipName);

    const std::string m_driverPart;
    std::string m_openString;  // the connection string of the held connection
    void* m_env = nullptr;
    void* m_dbc = nullptr;
};

// The result of the page's connection test: "请输入完整数据!" when a value is missing (nothing
// is tried then), otherwise "连接数据库服务器 \"%s\" %s!\r\n\r\n%s" with the server, "成功" or
// "失败" and the failure's description. ok tells which.
std::string TestPlayoutConnection(const PlayoutLogon& logon, bool& ok,
                                  const std::string& driverPart = kFreeTdsDriverPart);

// Where the server enumeration asks: the broadcast address (a 0x02 request to every server of
// the local network) or one host (a 0x03 request), on the SQL Server Browser's UDP port.
struct SqlBrowserTarget {
    std::string address = "255.255.255.255";
    uint16_t port = 1434;
};

// The server names of one browser reply ("ServerName;H;InstanceName;I;...;;" per instance):
// "H" for the default instance MSSQLSERVER, "H\I" otherwise; never "(local)" in any case.
std::vector<std::string> ParseSqlBrowserReply(const std::string& reply);

// Asks the target and collects the names of all replies that arrive within waitMs, in the
// order they arrive, each name once. An address that cannot be used yields an empty list.
std::vector<std::string> EnumerateSqlServers(const SqlBrowserTarget& target = {}, int waitMs = 2000);

}  // namespace quarvik
