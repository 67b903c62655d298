#pragma once
// The "手动检测" pane: files, folders and streams picked by hand, checked one after another
// between Start and Stop. The pane draws the manual sub-task list and drives its workers: the
// thumbnail worker runs as long as the pane exists, the check worker between Start and Stop.
#include "SubTaskPane.h"

#include "FtpBrowse.h"

#include <functional>
#include <optional>

class QMenu;

class CWndManualChk : public CSubTaskPane {
    Q_OBJECT
public:
    // The check's results go to the recorder, which must outlive the pane.
    CWndManualChk(quarvik::CResultRecorder& recorder, QWidget* parent = nullptr);

    // What the add menu's entries end in; each shows the duplicates notice when some were ignored.
    void AddFiles(const QStringList& paths);
    // The plain files directly in the folder (no sub-folders).
    void AddFolder(const QString& folder);
    // Remote files chosen in the FTP browse dialog, with the sizes the server gave.
    void AddFtpFiles(const std::vector<quarvik::FtpCandidate>& files);
    // A stream address: one candidate of size 0, a network stream's sub-task.
    void AddNetworkStream(const QString& address);
    // What "添加网络流" asks for the address with: the address, or none when the operator cancelled.
    using NetworkAddressAsker = std::function<std::optional<QString>(QWidget* parent)>;
    void SetNetworkAddressAsker(NetworkAddressAsker asker) { m_askNetworkAddress = std::move(asker); }
    void Start();

    CGdiplusButton* AddButton() const { return m_add; }
    QMenu* AddMenu() const { return m_addMenu; }

private:
    std::vector<CGdiplusButton*> Buttons() const override {
        return {m_add, m_start, m_stop, m_delete, m_monitorButton};
    }
    void AddCandidates(const std::vector<quarvik::CSubTaskList::Candidate_t>& candidates, int32_t type);
    // Opens the browse dialog in its file (0) or folder (1) mode and adds what it returns.
    void AddFromFtp(int mode);

    CGdiplusButton* m_add;
    QMenu* m_addMenu;
    NetworkAddressAsker m_askNetworkAddress;
};
