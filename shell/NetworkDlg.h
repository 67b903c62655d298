#pragma once
// "网络码流": asks for a stream address, refuses one of a scheme the player cannot take, and keeps
// the addresses accepted in "url.txt" of the program folder (newest first, at most 100), which
// the edit offers as it is typed.
#include "MyPopDialog.h"

#include <QStringList>

#include <optional>

class CACEdit;
class CGdiplusButton;

class CNetworkDlg : public CMyPopDialog {
    Q_OBJECT
public:
    static constexpr int kHistoryLines = 100;

    // Begins, in any letter case, with "UDP://@", "HTTP://", "MMS://", "RTP://", "FTP://" or "DVD://".
    static bool IsValidAddress(const QString& address);
    // The lines of "url.txt", without their line ends; none when it is missing.
    static QStringList LoadHistory();
    // Rewrites "url.txt": the address first unless the history has it (any letter case), then
    // the history, in all at most 100 lines. False when the file cannot be written.
    static bool SaveHistory(const QString& address, const QStringList& history);
    // Shows the dialog; the accepted address, or none when cancelled.
    static std::optional<QString> Ask(QWidget* parent);

    explicit CNetworkDlg(QWidget* parent = nullptr);

    QString Address() const { return m_address; }
    CACEdit* Edit() const { return m_edit; }
    CGdiplusButton* OkButton() const { return m_ok; }
    CGdiplusButton* CancelButton() const { return m_cancel; }

    // OK: checks the address, keeps it in the history and closes; an invalid one keeps the dialog open.
    void OnOk();

private:
    CACEdit* m_edit;
    CGdiplusButton* m_ok;
    CGdiplusButton* m_cancel;
    QStringList m_history;
    QString m_address;
};
