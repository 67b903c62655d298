#pragma once
// Shared by the QtTest suites: a fresh program folder per test, a message-box stand-in that
// records what would have been shown and answers as told, and a bounded wait that serves the GUI.
#include "MessageBox.h"

#include <QByteArray>
#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QList>
#include <QTemporaryDir>
#include <QTimer>

#include <functional>

// Points QUARVIK_HOME at a new empty folder while it lives.
class TempHome {
public:
    TempHome() : m_previous(qgetenv("QUARVIK_HOME")) { qputenv("QUARVIK_HOME", m_dir.path().toLocal8Bit()); }
    ~TempHome() { qputenv("QUARVIK_HOME", m_previous); }
    QString Path() const { return m_dir.path(); }
    QString File(const QString& name) const { return m_dir.filePath(name); }

private:
    QTemporaryDir m_dir;
    QByteArray m_previous;
};

struct ShownMessage {
    QString text;
    quarvik::MsgIcon icon;
    quarvik::MsgButtons buttons;
};

class MessageLog {
public:
    explicit MessageLog(quarvik::MsgAnswer yesNoAnswer = quarvik::MsgAnswer::No) : m_answer(yesNoAnswer) {
        m_previous = quarvik::SetMessageBoxFn(
            [this](QWidget*, const QString& text, quarvik::MsgIcon icon, quarvik::MsgButtons buttons) {
                shown.append({text, icon, buttons});
                return buttons == quarvik::MsgButtons::Ok ? quarvik::MsgAnswer::Ok : m_answer;
            });
    }
    ~MessageLog() { quarvik::SetMessageBoxFn(m_previous); }
    void Answer(quarvik::MsgAnswer answer) { m_answer = answer; }

    QList<ShownMessage> shown;

private:
    quarvik::MsgAnswer m_answer;
    quarvik::MessageBoxFn m_previous;
};

// Serves the GUI, sleeping while nothing happens, until cond holds; false after ms.
inline bool WaitFor(const std::function<bool()>& cond, int ms = 60000) {
    const QDeadlineTimer deadline(ms);
    QTimer wake;
    wake.start(10);
    while (!cond()) {
        if (deadline.hasExpired()) return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents);
    }
    return true;
}
