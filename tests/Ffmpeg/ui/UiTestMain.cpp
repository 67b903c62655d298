// test_engine_ui [Suite] [QtTest options]: runs one suite, or all of them without a name.
#include "QtSuites.h"

int RunWndCheckTest(int argc, char** argv);
int RunFFPlayerTest(int argc, char** argv);

int main(int argc, char** argv)
{
    const quarvik::QtSuite suites[] = {{"WndCheck", RunWndCheckTest}, {"FFPlayer", RunFFPlayerTest}};
    return quarvik::RunQtSuites(argc, argv, suites);
}
