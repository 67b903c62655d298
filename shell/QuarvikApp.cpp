#include "QuarvikApp.h"

#include "DlgOption.h"
#include "MainFrame.h"
#include "MessageBox.h"
#include "ProgramFolder.h"
#include "Restart.h"
#include "Settings.h"
#include "WindowManager.h"

#include "DarkPalette.h"

#include <QApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QLockFile>
#include <QScreen>
#include <QTranslator>

#include <cstdio>

using namespace quarvik;

void quarvik::PrepareApplication(QApplication& app) {
    QApplication::setApplicationName(QStringLiteral("Quarvik"));
    brindle::UseDarkTheme(app);
    // The program's messages name Chinese buttons ("确定"), so Qt's buttons must say them whatever
    // language the system is set to.
    QLocale language = QLocale::system();
    if (language.language() != QLocale::Chinese) language = QLocale(QLocale::Chinese, QLocale::China);
    // Qt's own windows (the file dialog's sizes and dates, the calendar) speak the same language.
    QLocale::setDefault(language);
    auto* qtTexts = new QTranslator(&app);
    if (qtTexts->load(language, QStringLiteral("qtbase"), QStringLiteral("_"),
                      QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        QApplication::installTranslator(qtTexts);
    else
        delete qtTexts;  // Qt's texts stay English; the program works as before
}

bool quarvik::EnsureCacheFolder(const std::function<bool()>& runOptions) {
    for (;;) {
        const std::string path = ReadSetting(kCachePath);
        if (IsExistingFolder(path)) return true;
        ShowMessage(nullptr, QString::fromStdString(CacheFolderInvalidText(path)));
        if (!runOptions()) return false;
    }
}

QRect quarvik::NormalFrameGeometry(const QRect& available) {
    const QSize size(qMin(available.width(), qMax(CMainFrame::kMinWidth, available.width() * 4 / 5)),
                     qMin(available.height(), qMax(CMainFrame::kMinHeight, available.height() * 4 / 5)));
    QRect normal(QPoint(), size);
    normal.moveCenter(available.center());
    return normal;
}

QString quarvik::InstanceLockPath() { return QString::fromStdString(ProgramFilePath("Quarvik2.lock")); }

CQuarvikApp::CQuarvikApp()
    : m_runOptions([] {
          CDlgOption dialog(nullptr, true);
          return dialog.exec() == QDialog::Accepted;
      }) {}

CQuarvikApp::~CQuarvikApp() { ExitInstance(); }

bool CQuarvikApp::TakeInstance() {
    auto lock = std::make_unique<QLockFile>(InstanceLockPath());
    // Only a dead owner makes a lock stale; an instance that has run for hours still holds it.
    lock->setStaleLockTime(0);
    if (lock->tryLock(0)) {
        m_instance = std::move(lock);
        return true;
    }
    if (lock->error() != QLockFile::LockFailedError) return true;  // no lock possible: run alone
    QApplication::beep();
    ShowMessage(nullptr, QStringLiteral("Quarvik 已经运行!"), MsgIcon::Exclamation);
    return false;
}

bool CQuarvikApp::InitInstance() {
    if (const std::string problem = ProgramFolderProblem(); !problem.empty()) {
        std::fprintf(stderr, "quarvik: %s\n", problem.c_str());
        ShowMessage(nullptr, QString::fromStdString(problem), MsgIcon::Stop);
        return false;
    }
    ClearRestartRequest();
    if (!TakeInstance()) return false;
    if (!EnsureCacheFolder(m_runOptions)) {
        ExitInstance();
        return false;
    }
    m_frame = std::make_unique<CMainFrame>();
    // Maximised, with a smaller window to restore to.
    if (const QScreen* screen = m_frame->screen()) m_frame->setGeometry(NormalFrameGeometry(screen->availableGeometry()));
    m_frame->SetMaximisesItself(!HasWindowManager());
    m_frame->showMaximized();
    return true;
}

void CQuarvikApp::ExitInstance() {
    m_frame.reset();
    m_instance.reset();
}
