// test_shell [Suite] [QtTest options]: runs one suite, or all of them without a name.
#include "ShellTest.h"

#include <QApplication>

#include <cstring>
#include <vector>

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    struct Suite {
        const char* name;
        int (*run)(int, char**);
    };
    const Suite suites[] = {{"Startup", RunStartupTest},
                            {"Options", RunOptionsTest},
                            {"MainFrame", RunMainFrameTest},
                            {"QtDispatcher", RunQtDispatcherTest},
                            {"WndBottom", RunWndBottomTest}};
    const char* only = argc > 1 && argv[1][0] != '-' ? argv[1] : nullptr;
    std::vector<char*> rest{argv[0]};
    for (int i = only ? 2 : 1; i < argc; ++i) rest.push_back(argv[i]);
    int failures = 0, ran = 0;
    for (const Suite& s : suites) {
        if (only && std::strcmp(only, s.name) != 0) continue;
        ++ran;
        failures += s.run(static_cast<int>(rest.size()), rest.data());
    }
    return ran == 0 ? 2 : failures;
}
