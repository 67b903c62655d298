#pragma once
// Shared by the QtTest suites: a fresh program folder per test, and a message-box stand-in that
// records what would have been shown and answers as told.
#include "MessageBox.h"

#include <QByteArray>
#include <QList>
#include <QTemporaryDir>

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
