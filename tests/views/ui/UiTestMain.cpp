// test_views_ui [Suite] [QtTest options]: runs one suite, or all of them without a name.
#include "QtSuites.h"

int RunWndResultTest(int argc, char** argv);
int RunWndGraphTest(int argc, char** argv);
int RunWndDetailTest(int argc, char** argv);
int RunWndHistoryTest(int argc, char** argv);

int main(int argc, char** argv)
{
    const quarvik::QtSuite suites[] = {
        {"WndResult", RunWndResultTest}, {"WndGraph", RunWndGraphTest}, {"WndDetail", RunWndDetailTest},
        {"WndHistory", RunWndHistoryTest}};
    return quarvik::RunQtSuites(argc, argv, suites);
}
