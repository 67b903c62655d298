// test_shell [Suite] [QtTest options]: runs one suite, or all of them without a name.
#include "QtSuites.h"
#include "ShellTest.h"

int main(int argc, char** argv)
{
    const quarvik::QtSuite suites[] = {{"Startup", RunStartupTest},
                                       {"Options", RunOptionsTest},
                                       {"MainFrame", RunMainFrameTest},
                                       {"QtDispatcher", RunQtDispatcherTest},
                                       {"WndBottom", RunWndBottomTest},
                                       {"WndTop", RunWndTopTest},
                                       {"WndCheck", RunWndCheckTest},
                                       {"WndResult", RunWndResultTest},
                                       {"WndManualChk", RunWndManualChkTest}};
    return quarvik::RunQtSuites(argc, argv, suites);
}
