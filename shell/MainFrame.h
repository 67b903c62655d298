#pragma once
// The program's main window: Brindle's frame with the "文件" menu, the workspace view as its only
// client, and the close rule (no exit while a check runs, otherwise a confirmation).
#include "MyFrameWnd.h"

#include <QRect>

#include <functional>

class CChildView;
class QAction;
class QMenu;
class QUrl;

class CMainFrame : public CMyFrameWnd {
    Q_OBJECT
public:
    // The frame is never smaller.
    static constexpr int kMinWidth = 640, kMinHeight = 480;

    explicit CMainFrame(QWidget* parent = nullptr);

    CChildView* View() const { return m_view; }
    QMenu* FileMenu() const { return m_file; }
    QAction* AlertAction() const { return m_alert; }

    // Replaces the close rule's "is a check running" question (the view's by default).
    void SetCheckRunningQuery(std::function<bool()> query) { m_isChecking = std::move(query); }

    // Replaces what opens the links of "软件主页" and "技术支持" (the desktop's browser and mail
    // program by default); it answers false when nothing could take the link.
    void SetUrlOpener(std::function<bool(const QUrl&)> opener) { m_openUrl = std::move(opener); }

    // The entries' actions, callable directly.
    void OnOptions();
    void OnHomePage();
    void OnSupport();
    void OnAlertLight();
    void OnAbout();
    // Sets the check mark from EnAlertLight, as the menu shows it.
    void UpdateAlertCheck();

    // Without a window manager the frame maximises and restores itself: maximised it covers its
    // screen's free area, restored it goes back to the geometry it had before.
    void SetMaximisesItself(bool itself) { m_maximisesItself = itself; }

protected:
    void closeEvent(QCloseEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void changeEvent(QEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    QMenu* m_menu;
    QMenu* m_file;
    QAction* m_alert;
    CChildView* m_view;
    std::function<bool()> m_isChecking;
    std::function<bool(const QUrl&)> m_openUrl;
    bool m_maximisesItself = false;
    bool m_placing = false;
    QRect m_normal;
};
