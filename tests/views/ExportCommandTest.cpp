// quarvik-export end to end: arguments, exit status and the folders it leaves.
#include "StoredResults.h"
#include "ViewsTestSupport.h"

#include <gtest/gtest.h>

#include <sys/wait.h>

#include <filesystem>
#include <string>

namespace quarvik {
namespace {

class ExportCommand : public ::testing::Test {
protected:
    void SetUp() override { ids_ = test::StoreResults(home_.Path()); }

    // Runs the command with QUARVIK_HOME at home_; returns its exit status, stderr in errors_.
    int Run(const std::string& arguments)
    {
        const std::string errFile = out_ / "stderr.txt";
        const std::string command = "QT_QPA_PLATFORM= DISPLAY= '" + std::string(QUARVIK_EXPORT_BINARY) + "' " +
                                    arguments + " >/dev/null 2>'" + errFile + "'";
        const int status = std::system(command.c_str());
        errors_ = test::ReadBytes(errFile);
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }

    test::ScratchFolder home_;
    test::ScratchFolder out_;
    test::StoredIds ids_;
    std::string errors_;
};

TEST_F(ExportCommand, WrongArgumentsAndMissingDatabase)
{
    const struct {
        const char* arguments;
        const char* message;
    } cases[] = {
        {"", "no output folder"},
        {"--from 2023-02-30 DIR", "YYYY-MM-DD"},
        {"--from 2023-11-15 --to 2023-11-14 DIR", "after"},
        {"--name x --result 1 DIR", "choose one"},
        {"--name '' DIR", "non-empty"},
        {"--result 12x DIR", "positive number"},
        {"--bogus DIR", "unknown option"},
        {"--result 999 DIR", "no result 999"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(Run(c.arguments), 2) << c.arguments;
        EXPECT_NE(errors_.find(c.message), std::string::npos) << c.arguments << ": " << errors_;
    }
    setenv("QUARVIK_HOME", (home_ / "elsewhere").c_str(), 1);
    EXPECT_EQ(Run("'" + (out_ / "x") + "'"), 2);
    EXPECT_NE(errors_.find("no readable task database"), std::string::npos) << errors_;
    EXPECT_FALSE(std::filesystem::exists(home_ / "elsewhere/task.db"));
}

TEST_F(ExportCommand, HistoryByNameAndByDays)
{
    EXPECT_EQ(Run("--name 新闻 '" + (out_ / "byname") + "'"), 0) << errors_;
    const std::string page = test::ReadBytes(out_ / "byname/index.html");
    EXPECT_NE(page.find("&lt;1&gt;.mxf"), std::string::npos);
    EXPECT_EQ(page.find("bad.ts"), std::string::npos);

    setenv("TZ", "UTC", 1);
    EXPECT_EQ(Run("--from 2023-11-14 --to 2023-11-14 '" + (out_ / "days") + "'"), 0) << errors_;
    EXPECT_NE(test::ReadBytes(out_ / "days/index.html").find("ftp://srv/bad.ts"), std::string::npos);
    EXPECT_TRUE(std::filesystem::exists(out_ / "days/images/1.bmp"));

    EXPECT_EQ(Run("--from 2023-11-15 '" + (out_ / "none") + "'"), 0) << errors_;
    EXPECT_FALSE(std::filesystem::exists(out_ / "none/index.html"));
    EXPECT_TRUE(std::filesystem::exists(out_ / "none/images/fmt3.bmp"));
}

TEST_F(ExportCommand, SingleResultReport)
{
    EXPECT_EQ(Run("--result " + std::to_string(ids_.faulty) + " '" + (out_ / "one") + "'"), 0) << errors_;
    EXPECT_TRUE(std::filesystem::exists(out_ / "one/新闻<1>.mxf/index.html"));
    EXPECT_TRUE(std::filesystem::exists(out_ / "one/新闻<1>.mxf/images/1.bmp"));

    EXPECT_EQ(Run("--result " + std::to_string(ids_.faulty) + " /proc/quarvik"), 3);
    EXPECT_NE(errors_.find("/proc/quarvik"), std::string::npos) << errors_;
}

}  // namespace
}  // namespace quarvik
