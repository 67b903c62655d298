#include "GuiApp.h"

#include <QByteArray>
#include <QGuiApplication>

namespace quarvik {
namespace {

// QGuiApplication keeps references to argc and argv for its whole life.
int g_argc = 1;
char g_programName[] = "quarvik";
char* g_argv[] = {g_programName, nullptr};

}  // namespace

GuiApp::GuiApp()
{
    if (QGuiApplication::instance())
        return;
    // A headless writer must not depend on a display, whatever the environment names.
    qputenv("QT_QPA_PLATFORM", "offscreen");
    m_app = std::make_unique<QGuiApplication>(g_argc, g_argv);
}

GuiApp::~GuiApp() = default;

}  // namespace quarvik
