// The main of a QtTest program made of several suites: "test_x [Suite] [QtTest options]" runs
// one suite, or all of them without a name, on the offscreen platform. CTest runs one suite
// per test, so a failing suite is named in the test list.
#pragma once

#include <QApplication>

#include <cstring>
#include <span>
#include <vector>

namespace quarvik {

struct QtSuite {
    const char* name;
    int (*run)(int, char**);
};

inline int RunQtSuites(int argc, char** argv, std::span<const QtSuite> suites)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const char* only = argc > 1 && argv[1][0] != '-' ? argv[1] : nullptr;
    std::vector<char*> rest{argv[0]};
    for (int i = only ? 2 : 1; i < argc; ++i)
        rest.push_back(argv[i]);
    int failures = 0, ran = 0;
    for (const QtSuite& s : suites) {
        if (only && std::strcmp(only, s.name) != 0)
            continue;
        ++ran;
        failures += s.run(static_cast<int>(rest.size()), rest.data());
    }
    return ran == 0 ? 2 : failures;
}

}  // namespace quarvik
