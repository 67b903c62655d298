// test_views_ui [Suite] [QtTest options]: runs one suite, or all of them without a name.
#include "QtSuites.h"

int RunWndResultTest(int argc, char** argv);

int main(int argc, char** argv)
{
    const quarvik::QtSuite suites[] = {{"WndResult", RunWndResultTest}};
    return quarvik::RunQtSuites(argc, argv, suites);
}
