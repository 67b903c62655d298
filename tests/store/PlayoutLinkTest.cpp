#include "PlayoutLink.h"
#include "Settings.h"
#include "TempHome.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sqlite3.h>
#include <sys/socket.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <thread>
#include <vector>

namespace quarvik {
namespace {

using Clock = std::chrono::steady_clock;

// The SQLite ODBC driver over a file with the catalogue's table; the logon settings are set
// (the driver ignores them, the link still reads them).
class PlayoutLinkTest : public TempHomeTest {
protected:
    void SetUp() override
    {
        TempHomeTest::SetUp();
        dbFile_ = HomeFile("playout.db");
        Exec("create table BMI_CLIPINFO(strClipFile text, strClipName text);"
             "insert into BMI_CLIPINFO values('news0815','Evening News 15 Aug');"
             "insert into BMI_CLIPINFO values('news0815','a later row');"
             "insert into BMI_CLIPINFO values('it''s here','Quoted clip');"
             "insert into BMI_CLIPINFO values('nameless',NULL);"
             "insert into BMI_CLIPINFO values('long','" + Repeat("节", 30) + "');");
        ASSERT_TRUE(WriteSetting(kDbServer, "playout"));
        ASSERT_TRUE(WriteSetting(kDbUser, "sa"));
        ASSERT_TRUE(WriteDbPass("secret"));
    }

    static std::string Repeat(const std::string& s, int n)
    {
        std::string out;
        for (int i = 0; i < n; ++i)
            out += s;
        return out;
    }

    void Exec(const std::string& sql)
    {
        sqlite3* db = nullptr;
        ASSERT_EQ(sqlite3_open(dbFile_.c_str(), &db), SQLITE_OK);
        EXPECT_EQ(sqlite3_exec(db, sql.c_str(), nullptr, nullptr, nullptr), SQLITE_OK) << sqlite3_errmsg(db);
        sqlite3_close(db);
    }

    std::string DriverPart() const { return "Driver=SQLite3;Database=" + dbFile_; }

    std::string dbFile_;
};

TEST_F(PlayoutLinkTest, LookupTakesTheFirstNameOfTheBoundFileName)
{
    CPlayoutLink link(DriverPart());
    struct Case {
        const char* baseName;
        bool found;
        std::string clipName;
    };
    const Case cases[] = {
        {"news0815", true, "Evening News 15 Aug"},
        {"it's here", true, "Quoted clip"},
        {"x' or '1'='1", false, ""},  // bound as a value, never read as SQL
        {"missing", false, ""},
        {"nameless", false, ""},
        {"long", true, Repeat("节", 21)},  // 63 bytes, cut between characters
    };
    for (const Case& c : cases) {
        std::string clipName;
        EXPECT_EQ(link.LookupClipName(c.baseName, clipName), c.found) << c.baseName;
        if (c.found) {
            EXPECT_EQ(clipName, c.clipName) << c.baseName;
        }
        EXPECT_TRUE(link.IsOpen()) << "a lookup without a row keeps the connection: " << c.baseName;
    }
}

TEST_F(PlayoutLinkTest, AFailedQueryDropsTheConnectionAndTheNextLookupConnectsAgain)
{
    CPlayoutLink link(DriverPart());
    std::string clipName;
    ASSERT_TRUE(link.LookupClipName("news0815", clipName));
    Exec("alter table BMI_CLIPINFO rename to Elsewhere;");
    EXPECT_FALSE(link.LookupClipName("news0815", clipName));
    EXPECT_FALSE(link.IsOpen());
    Exec("alter table Elsewhere rename to BMI_CLIPINFO;");
    EXPECT_TRUE(link.LookupClipName("news0815", clipName));

    // A driver that cannot be loaded: no connection, no name.
    CPlayoutLink missingDriver("Driver=NoSuchQuarvikDriver");
    EXPECT_FALSE(missingDriver.LookupClipName("news0815", clipName));
    EXPECT_FALSE(missingDriver.IsOpen());
}

TEST_F(PlayoutLinkTest, ConnectionValuesAreQuotedWhereOdbcWouldSplitThem)
{
    EXPECT_EQ(PlayoutConnectionString(kFreeTdsDriverPart, {"HOST\\NEWS", "sa", "p;w}d"}),
              "Driver=FreeTDS;ClientCharset=UTF-8;Database=BMI_CLIPINFO;Server=HOST\\NEWS;UID=sa;PWD={p;w}}d}");
    EXPECT_EQ(PlayoutConnectionString("Driver=X", {"s", " lead", ""}), "Driver=X;Server=s;UID={ lead};PWD=");
}

TEST_F(PlayoutLinkTest, ConnectionTestTexts)
{
    bool ok = true;
    EXPECT_EQ(TestPlayoutConnection({"playout", "sa", ""}, ok, DriverPart()), "请输入完整数据!");
    EXPECT_FALSE(ok);
    EXPECT_EQ(TestPlayoutConnection({"playout", "sa", "secret"}, ok, DriverPart()),
              "连接数据库服务器 \"playout\" 成功!\r\n\r\n");
    EXPECT_TRUE(ok);

    // A real FreeTDS connection to a loopback port where nobody listens.
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    ASSERT_GE(fd, 0);
    sockaddr_in at{};
    at.sin_family = AF_INET;
    at.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof(at);
    ASSERT_EQ(::bind(fd, reinterpret_cast<sockaddr*>(&at), sizeof(at)), 0);
    ASSERT_EQ(::getsockname(fd, reinterpret_cast<sockaddr*>(&at), &length), 0);
    const std::string dead = "Driver=FreeTDS;Port=" + std::to_string(ntohs(at.sin_port)) + ";Database=BMI_CLIPINFO";
    const Clock::time_point begin = Clock::now();
    const std::string text = TestPlayoutConnection({"127.0.0.1", "sa", "secret"}, ok, dead);
    ::close(fd);
    EXPECT_FALSE(ok);
    const std::string head = "连接数据库服务器 \"127.0.0.1\" 失败!\r\n\r\n";
    ASSERT_EQ(text.substr(0, head.size()), head);
    EXPECT_GT(text.size(), head.size() + 5) << "the driver's description follows: " << text;
    EXPECT_LT(Clock::now() - begin, std::chrono::seconds(kPlayoutTimeoutSeconds + 5));
}

TEST(SqlBrowserReply, NamesOfEveryInstanceWithoutLocal)
{
    using Names = std::vector<std::string>;
    EXPECT_EQ(ParseSqlBrowserReply("ServerName;PLAY1;InstanceName;MSSQLSERVER;IsClustered;No;Version;15.0.2000.5;"
                                   "tcp;1433;;"),
              Names{"PLAY1"});
    EXPECT_EQ(ParseSqlBrowserReply("ServerName;PLAY2;InstanceName;NEWS;IsClustered;No;Version;10.50;tcp;49172;"
                                   "np;\\\\PLAY2\\pipe\\MSSQL$NEWS\\sql\\query;;"
                                   "ServerName;PLAY2;InstanceName;ARCHIVE;IsClustered;No;Version;10.50;;"),
              (Names{"PLAY2\\NEWS", "PLAY2\\ARCHIVE"}));
    EXPECT_EQ(ParseSqlBrowserReply("ServerName;(LOCAL);InstanceName;MSSQLSERVER;;"
                                   "ServerName;(local);InstanceName;X;;"),
              Names{});
    EXPECT_EQ(ParseSqlBrowserReply("garbage without fields"), Names{});
    EXPECT_EQ(ParseSqlBrowserReply(""), Names{});
}

// A browser on a loopback port of its own: answers one request with a stray datagram and the
// replies given, in that order.
class LoopbackBrowser {
public:
    explicit LoopbackBrowser(std::vector<std::string> replies) : m_replies(std::move(replies))
    {
        m_fd = ::socket(AF_INET, SOCK_DGRAM, 0);
        sockaddr_in at{};
        at.sin_family = AF_INET;
        at.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t length = sizeof(at);
        if (m_fd >= 0 && ::bind(m_fd, reinterpret_cast<sockaddr*>(&at), sizeof(at)) == 0 &&
            ::getsockname(m_fd, reinterpret_cast<sockaddr*>(&at), &length) == 0)
            m_port = ntohs(at.sin_port);
        m_thread = std::thread([this] { Serve(); });
    }
    ~LoopbackBrowser()
    {
        m_thread.join();
        ::close(m_fd);
    }
    uint16_t Port() const { return m_port; }
    int Request() const { return m_request; }

private:
    void Serve()
    {
        pollfd p{m_fd, POLLIN, 0};
        if (::poll(&p, 1, 5000) <= 0)
            return;
        unsigned char request[16];
        sockaddr_in from{};
        socklen_t length = sizeof(from);
        if (::recvfrom(m_fd, request, sizeof(request), 0, reinterpret_cast<sockaddr*>(&from), &length) != 1)
            return;
        m_request = request[0];
        const auto send = [&](const std::string& datagram) {
            ::sendto(m_fd, datagram.data(), datagram.size(), 0, reinterpret_cast<sockaddr*>(&from), length);
        };
        send("\x07junk");
        for (const std::string& payload : m_replies) {
            std::string datagram = "\x05";
            datagram += static_cast<char>(payload.size() & 0xff);
            datagram += static_cast<char>(payload.size() >> 8);
            send(datagram + payload);
        }
    }

    std::vector<std::string> m_replies;
    int m_fd = -1;
    uint16_t m_port = 0;
    int m_request = -1;
    std::thread m_thread;
};

TEST(SqlServerEnumeration, CollectsEveryReplyOnceWithinTheWait)
{
    std::vector<std::string> names;
    Clock::time_point begin;
    int request = -1;
    {
        LoopbackBrowser browser({"ServerName;PLAY1;InstanceName;MSSQLSERVER;tcp;1433;;"
                                 "ServerName;PLAY1;InstanceName;NEWS;tcp;1500;;",
                                 "ServerName;(local);InstanceName;MSSQLSERVER;;",
                                 "ServerName;PLAY1;InstanceName;NEWS;tcp;1500;;"
                                 "ServerName;" + std::string(300, 'L') + ";InstanceName;MSSQLSERVER;;"});
        ASSERT_NE(browser.Port(), 0);
        begin = Clock::now();
        names = EnumerateSqlServers({"127.0.0.1", browser.Port()}, 1000);
        request = browser.Request();
    }
    EXPECT_LT(Clock::now() - begin, std::chrono::seconds(3));
    EXPECT_EQ(request, 0x03);
    EXPECT_EQ(names, (std::vector<std::string>{"PLAY1", "PLAY1\\NEWS", std::string(300, 'L')}));

    // Nobody answers: an empty list once the wait is over.
    begin = Clock::now();
    EXPECT_TRUE(EnumerateSqlServers({"127.0.0.1", 9}, 300).empty());
    EXPECT_LT(Clock::now() - begin, std::chrono::seconds(2));
    EXPECT_TRUE(EnumerateSqlServers({"not-an-address", 1434}, 300).empty());
}

}  // namespace
}  // namespace quarvik
