// test_shell [Suite] [QtTest options]: runs one suite, or all of them without a name.
#include "QtSuites.h"
#include "ShellTest.h"

int main(int argc, char** argv)
{
    const quarvik::QtSuite suites[] = {{"Startup", RunStartupTest},
                                       {"MainFrame", RunMainFrameTest},
                                       {"WndBottom", RunWndBottomTest},
                                       {"WndTop", RunWndTopTest},
                                       {"WndManualChk", RunWndManualChkTest},
                                       {"Preview", RunPreviewTest},
                                       {"NetworkDlg", RunNetworkDlgTest}};
    return quarvik::RunQtSuites(argc, argv, suites);
}
