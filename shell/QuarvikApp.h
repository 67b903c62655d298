#pragma once
// Start-up and exit of the program: one instance per program folder, a usable cache folder, then
// the main frame. Every refusal is an orderly stop with its message; nothing is written.
#include <QRect>
#include <QString>

#include <functional>
#include <memory>

class CMainFrame;
class QApplication;
class QLockFile;

namespace quarvik {

// What the program sets on its QApplication before any window opens: its name, Brindle's dark
// theme for every window Qt opens by itself, and Qt's own texts (standard buttons, file dialogs)
// in Chinese like the program's, in the system's Chinese variant where it has one.
void PrepareApplication(QApplication& app);

// Loops until CachePath names an existing folder (true) or runOptions, which shows the
// general-only options dialog, reports a cancel (false).
bool EnsureCacheFolder(const std::function<bool()>& runOptions);

// The frame's geometry when not maximised: four fifths of the screen's free area each way, at
// least the frame's least size (as far as the area allows), centred in it.
QRect NormalFrameGeometry(const QRect& available);

// The lock that makes a second copy refuse to start: "Quarvik2.lock" in the program folder.
QString InstanceLockPath();

}  // namespace quarvik

class CQuarvikApp {
public:
    CQuarvikApp();
    ~CQuarvikApp();
    CQuarvikApp(const CQuarvikApp&) = delete;
    CQuarvikApp& operator=(const CQuarvikApp&) = delete;

    // Needs the QApplication. False when start-up stopped; the program should then exit.
    bool InitInstance();
    // Closes the main frame and gives up the instance lock; safe to call twice.
    void ExitInstance();

    CMainFrame* MainFrame() const { return m_frame.get(); }
    bool HoldsInstance() const { return m_instance != nullptr; }
    // Replaces the modal general-only options dialog of the cache-folder prompt (tests).
    void SetOptionsDialogFn(std::function<bool()> fn) { m_runOptions = std::move(fn); }

private:
    bool TakeInstance();

    std::unique_ptr<QLockFile> m_instance;
    std::unique_ptr<CMainFrame> m_frame;
    std::function<bool()> m_runOptions;
};
