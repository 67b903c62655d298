#include "Restart.h"

#include <QCoreApplication>

namespace quarvik {
namespace {
bool g_restart = false;
}

void RequestRestart() {
    g_restart = true;
    // exit, not quit: quit would ask the frame to close, and its close rule would ask again.
    QCoreApplication::exit(0);
}

bool RestartRequested() { return g_restart; }

void ClearRestartRequest() { g_restart = false; }

}  // namespace quarvik
