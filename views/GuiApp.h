// A QGuiApplication for programs and tests that draw reports without a window.
//
// Fonts, and so every text drawn into a picture, need an application object. GuiApp makes
// one on the offscreen platform when the process has none, so no display is needed; when an
// application already exists (the GUI program) it does nothing. Make it on the main thread,
// before any report is drawn, and keep it alive while drawing.
#pragma once

#include <memory>

class QGuiApplication;

namespace quarvik {

class GuiApp {
public:
    GuiApp();
    ~GuiApp();
    GuiApp(const GuiApp&) = delete;
    GuiApp& operator=(const GuiApp&) = delete;

private:
    std::unique_ptr<QGuiApplication> m_app;
};

}  // namespace quarvik
