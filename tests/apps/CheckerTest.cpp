// quarvik-check as a user runs it: arguments, output and exit status.
#include "CheckReport.h"
#include "ContentParams.h"

#include <gtest/gtest.h>

#include <sys/wait.h>

#include <cstdio>
#include <cstdlib>
#include <string>

namespace quarvik {
namespace {

struct CheckerRun {
    int status;
    std::string out;
};

std::string Media(const std::string& name)
{
    const char* folder = std::getenv("QUARVIK_TEST_MEDIA");
    return std::string(folder ? folder : "test-media") + "/" + name;
}

// Runs the checker with its program folder in a fresh temporary folder (default parameters).
CheckerRun Checker(const std::string& arguments)
{
    const std::string command = "QUARVIK_HOME=$(mktemp -d) " QUARVIK_CHECK_BINARY " " +
                                arguments + " 2>/dev/null";
    CheckerRun run{-1, {}};
    FILE* pipe = popen(command.c_str(), "r");
    if (!pipe)
        return run;
    char buffer[4096];
    size_t n;
    while ((n = std::fread(buffer, 1, sizeof(buffer), pipe)) > 0)
        run.out.append(buffer, n);
    const int status = pclose(pipe);
    run.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return run;
}

TEST(Checker, ReportsEventsAsTextAndJson)
{
    const CheckerRun text = Checker("'" + Media("faults.ts") + "'");
    EXPECT_EQ(text.status, 1);
    EXPECT_NE(text.out.find("黑场"), std::string::npos);
    EXPECT_NE(text.out.find("00:00:02.00 - 00:00:02.24"), std::string::npos);
    EXPECT_NE(text.out.find("高音(左)"), std::string::npos);
    EXPECT_NE(text.out.find("dBFS"), std::string::npos);
    EXPECT_NE(text.out.find("300 frames analysed"), std::string::npos);

    const CheckerRun json = Checker("--json '" + Media("faults.ts") + "'");
    EXPECT_EQ(json.status, 1);
    EXPECT_EQ(json.out.rfind("{\"files\":[{\"path\":", 0), 0u) << json.out;
    EXPECT_NE(json.out.find("\"opened\":true,\"frames\":300,\"speed_fps\":"), std::string::npos);
    EXPECT_NE(json.out.find("{\"code\":2,\"name\":\"黑场\",\"begin\":50,\"end\":74,\"value\":0}"),
              std::string::npos);
    EXPECT_NE(json.out.find("{\"code\":3,\"name\":\"彩条\",\"begin\":0,\"end\":49,\"value\":0}"),
              std::string::npos);
}

TEST(Checker, ExitStatusTellsCleanFaultyAndUnreadable)
{
    EXPECT_EQ(Checker("'" + Media("tone.wav") + "'").status, 0);
    const CheckerRun mixed = Checker("--json '" + Media("faults.ts") + "' '" + Media("random.mxf") + "'");
    EXPECT_EQ(mixed.status, 2);
    EXPECT_NE(mixed.out.find("\"opened\":false"), std::string::npos);
    EXPECT_NE(mixed.out.find("\"opened\":true"), std::string::npos);

    EXPECT_EQ(Checker("").status, 2);
    EXPECT_EQ(Checker("--colour '" + Media("tone.wav") + "'").status, 2);
    EXPECT_EQ(Checker("--params").status, 2);
    EXPECT_EQ(Checker("--params '" + Media("notes.txt") + "' '" + Media("tone.wav") + "'").status, 2);
}

TEST(Checker, ParameterFileChangesTheVerdicts)
{
    ContentParam_t table[kContentParamCount];
    SetDefaultContentParams(table);
    table[2].nEnable = 0;  // black off
    table[16].nDuration = 25;
    const std::string path = "/tmp/quarvik-checker-params.dat";
    ASSERT_TRUE(SaveContentParams(table, path));
    const CheckerRun run = Checker("--json --params " + path + " '" + Media("faults.ts") + "'");
    std::remove(path.c_str());
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.out.find("\"code\":2,"), std::string::npos);
    EXPECT_NE(run.out.find("\"code\":16,\"name\":\"静音(左)\""), std::string::npos);
}

TEST(CheckReport, JsonStringsAreAlwaysValid)
{
    EXPECT_EQ(JsonString("it's \"a\\b\""), "\"it's \\\"a\\\\b\\\"\"");
    EXPECT_EQ(JsonString("a\nb\x01"), "\"a\\u000ab\\u0001\"");
    EXPECT_EQ(JsonString("静音(左)"), "\"静音(左)\"");
    EXPECT_EQ(JsonString("bad\xff\xe9!"), "\"bad\xEF\xBF\xBD\xEF\xBF\xBD!\"");
    EXPECT_EQ(JsonString("cut\xe9\x9d"), "\"cut\xEF\xBF\xBD\xEF\xBF\xBD\"");
}

}  // namespace
}  // namespace quarvik
