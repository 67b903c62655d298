#pragma once
// Shared by the shell tests: suite runners.
#include "QtTestSupport.h"

int RunStartupTest(int argc, char** argv);
int RunMainFrameTest(int argc, char** argv);
int RunWndBottomTest(int argc, char** argv);
int RunWndTopTest(int argc, char** argv);
int RunWndManualChkTest(int argc, char** argv);
int RunPreviewTest(int argc, char** argv);
int RunNetworkDlgTest(int argc, char** argv);
