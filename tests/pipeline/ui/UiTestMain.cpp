// test_pipeline_ui [Suite] [QtTest options]: runs one suite, or all of them without a name.
#include "QtSuites.h"

int RunQtDispatcherTest(int argc, char** argv);
int RunFileOpenDialogTest(int argc, char** argv);
int RunFtpDialogTest(int argc, char** argv);
int RunWndAutoChkTest(int argc, char** argv);

int main(int argc, char** argv)
{
    const quarvik::QtSuite suites[] = {{"QtDispatcher", RunQtDispatcherTest},
                                       {"FileOpenDialog", RunFileOpenDialogTest},
                                       {"FtpDialog", RunFtpDialogTest},
                                       {"WndAutoChk", RunWndAutoChkTest}};
    return quarvik::RunQtSuites(argc, argv, suites);
}
