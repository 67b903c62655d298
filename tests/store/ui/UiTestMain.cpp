// test_store_ui [Suite] [QtTest options]: runs one suite, or all of them without a name.
#include "QtSuites.h"

int RunOptionsTest(int argc, char** argv);
int RunOptionPagesTest(int argc, char** argv);

int main(int argc, char** argv)
{
    const quarvik::QtSuite suites[] = {{"Options", RunOptionsTest}, {"OptionPages", RunOptionPagesTest}};
    return quarvik::RunQtSuites(argc, argv, suites);
}
