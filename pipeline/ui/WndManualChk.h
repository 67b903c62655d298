#pragma once
// The "手动检测" pane: files, folders and streams picked by hand, checked one after another
// between Start and Stop. The pane draws the manual sub-task list and drives its workers: the
// thumbnail worker runs as long as the pane exists, the check worker between Start and Stop.
#include "MyDialog.h"

#include "CheckRunner.h"
#include "FtpBrowse.h"
#include "QtDispatcher.h"
#include "SubTaskList.h"

#include <functional>
#include <memory>
#include <optional>

class CGdiplusButton;
class CMyListCtrl;
class CWndCheck;
class QMenu;

class CWndManualChk : public CMyDialog, private quarvik::ISubTaskListObserver {
    Q_OBJECT
public:
    // The check's results go to the recorder, which must outlive the pane.
    CWndManualChk(quarvik::CResultRecorder& recorder, QWidget* parent = nullptr);
    ~CWndManualChk() override;

    bool IsChecking() const { return m_runner->Running(); }
    // The check monitor shows this pane's checks while monitored is set.
    void SetMonitor(CWndCheck* monitor, bool monitored);
    bool IsMonitored() const { return m_monitored; }

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
    void Stop();
    // Deletes the selected rows after the operator's confirmation.
    void DeleteSelected();

    const quarvik::CSubTaskList& Tasks() const { return m_tasks; }
    CMyListCtrl* List() const { return m_list; }
    CGdiplusButton* AddButton() const { return m_add; }
    CGdiplusButton* StartButton() const { return m_start; }
    CGdiplusButton* StopButton() const { return m_stop; }
    CGdiplusButton* DeleteButton() const { return m_delete; }
    CGdiplusButton* MonitorButton() const { return m_monitorButton; }
    QMenu* AddMenu() const { return m_addMenu; }

signals:
    // Checking began (true) or ended (false).
    void Started(bool running);
    // The operator asks the check monitor to follow this pane.
    void MonitorRequested(QWidget* pane);
    // The operator asks to see a file in the preview.
    void PlayRequested(const QString& path);

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    void OnRowAdded(int row) override;
    void OnRowChanged(int row) override;
    void OnRowsReloaded() override;
    void OnEntersChecking(const quarvik::SubTaskInfo_t&) override {}

    void AddCandidates(const std::vector<quarvik::CSubTaskList::Candidate_t>& candidates, int32_t type);
    // Opens the browse dialog in its file (0) or folder (1) mode and adds what it returns.
    void AddFromFtp(int mode);
    void SetButtonsRunning(bool running);
    void ShowStateOf(const QPoint& pos);

    CGdiplusButton* m_add;
    CGdiplusButton* m_start;
    CGdiplusButton* m_stop;
    CGdiplusButton* m_delete;
    CGdiplusButton* m_monitorButton;
    QMenu* m_addMenu;
    CMyListCtrl* m_list;
    CQtDispatcher m_home;
    quarvik::CSubTaskList m_tasks;
    std::unique_ptr<quarvik::CCheckRunner> m_runner;
    bool m_monitored = false;
    NetworkAddressAsker m_askNetworkAddress;
};
