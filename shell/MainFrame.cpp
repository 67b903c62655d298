#include "MainFrame.h"

#include "AboutDlg.h"
#include "ChildView.h"
#include "DlgOption.h"
#include "MessageBox.h"
#include "ProgramIcon.h"
#include "Settings.h"

#include <QCloseEvent>
#include <QDesktopServices>
#include <QMenu>
#include <QScreen>
#include <QUrl>

using namespace quarvik;

namespace {
// Placeholders until the product has its own site and mailbox.
const char kHomePage[] = "https://quarvik.example.org/";
const char kSupportMail[] = "support@quarvik.example.org";
}  // namespace

CMainFrame::CMainFrame(QWidget* parent)
    : CMyFrameWnd(ProgramIcon(), nullptr, parent), m_menu(new QMenu(this)), m_view(new CChildView) {
    m_file = m_menu->addMenu(QStringLiteral("文件"));
    connect(m_file->addAction(QStringLiteral("设置")), &QAction::triggered, this, &CMainFrame::OnOptions);
    m_file->addSeparator();
    m_alert = m_file->addAction(QStringLiteral("声光报警"));
    m_alert->setCheckable(true);
    connect(m_alert, &QAction::triggered, this, &CMainFrame::OnAlertLight);
    m_file->addSeparator();
    connect(m_file->addAction(QStringLiteral("软件主页")), &QAction::triggered, this, &CMainFrame::OnHomePage);
    connect(m_file->addAction(QStringLiteral("技术支持")), &QAction::triggered, this, &CMainFrame::OnSupport);
    connect(m_file->addAction(QStringLiteral("关于")), &QAction::triggered, this, &CMainFrame::OnAbout);
    // The setting may change behind the menu's back (the options dialog), so read it when shown.
    connect(m_file, &QMenu::aboutToShow, this, &CMainFrame::UpdateAlertCheck);
    UpdateAlertCheck();
    SetMenu(m_menu);

    SetCentralWidget(m_view);
    m_isChecking = [this] { return m_view->IsAnyCheckRunning(); };
    m_openUrl = [](const QUrl& url) { return QDesktopServices::openUrl(url); };
    setWindowTitle(QStringLiteral("Quarvik自动技审系统"));
    setMinimumSize(kMinWidth, kMinHeight);
}

void CMainFrame::UpdateAlertCheck() { m_alert->setChecked(ReadSetting(kEnAlertLight) != 0); }

void CMainFrame::OnAlertLight() {
    WriteSetting(kEnAlertLight, ReadSetting(kEnAlertLight) != 0 ? 0 : 1);
    UpdateAlertCheck();
}

// Without a browser or mail program the operator still gets the address, in a box he can copy from.
void CMainFrame::OnHomePage() {
    const QString address = QString::fromLatin1(kHomePage);
    if (!m_openUrl(QUrl(address)))
        ShowMessage(this, QStringLiteral("无法启动浏览器。软件主页：\n%1").arg(address), MsgIcon::Information);
}

void CMainFrame::OnSupport() {
    const QString address = QString::fromLatin1(kSupportMail);
    if (!m_openUrl(QUrl(QStringLiteral("mailto:") + address)))
        ShowMessage(this, QStringLiteral("无法启动邮件程序。技术支持：\n%1").arg(address), MsgIcon::Information);
}

void CMainFrame::OnOptions() {
    CDlgOption dialog(this, false);
    dialog.SetCheckRunningQuery(m_isChecking);
    dialog.exec();
}

void CMainFrame::OnAbout() {
    CAboutDlg dialog(this);
    dialog.exec();
}

void CMainFrame::closeEvent(QCloseEvent* event) {
    if (m_isChecking && m_isChecking()) {
        ShowMessage(this, QStringLiteral("检测正在进行！现在不能退出！"), MsgIcon::Stop);
        event->ignore();
        return;
    }
    if (ShowMessage(this, QStringLiteral("确信退出吗?"), MsgIcon::Question, MsgButtons::YesNoDefaultNo) != MsgAnswer::Yes) {
        event->ignore();
        return;
    }
    event->accept();
}

void CMainFrame::focusInEvent(QFocusEvent*) { m_view->setFocus(); }

void CMainFrame::changeEvent(QEvent* event) {
    CMyFrameWnd::changeEvent(event);
    if (!m_maximisesItself || m_placing || event->type() != QEvent::WindowStateChange) return;
    const QScreen* place = screen();
    const bool was = static_cast<QWindowStateChangeEvent*>(event)->oldState() & Qt::WindowMaximized;
    m_placing = true;
    if (isMaximized() && !was && place) {
        // The state may be told twice, the second time with the whole screen already taken.
        if (geometry() != place->availableGeometry()) m_normal = geometry();
        setGeometry(place->availableGeometry());
        // Placing a window by hand may end its maximised state.
        setWindowState(windowState() | Qt::WindowMaximized);
    } else if (was && !isMaximized() && m_normal.isValid()) {
        setGeometry(m_normal);
    }
    m_placing = false;
}
