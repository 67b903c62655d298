#pragma once
// The bottom workspace: task tabs and their panes on the left, result tabs and pages on the
// right, the splitter between. The column width survives a restart as LeftWidth in "system.ini".
#include "MyDialog.h"

#include <QList>

class CMySplitWnd;
class CMyTabCtrl;

class CWndBottom : public CMyDialog {
    Q_OBJECT
public:
    static constexpr int kTabHeight = 24;
    static constexpr int kSplitWidth = 5;
    static constexpr int kSplitId = 310;

    explicit CWndBottom(QWidget* parent = nullptr);

    // The manual-check window or a task window is running a check (none can yet).
    bool IsAnyCheckRunning() const;

    CMyTabCtrl* TaskTabs() const { return m_taskTabs; }
    CMyTabCtrl* ResultTabs() const { return m_resultTabs; }
    CMySplitWnd* Splitter() const { return m_split; }
    QWidget* Pane(int index) const { return m_panes.value(index); }
    QWidget* ResultPage(int index) const { return m_resultPages.value(index); }

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    void Layout();
    void OnSplitMoved(int id, int distance);
    void SelectTask(int index);
    void SelectResult(int index);

    CMyTabCtrl* m_taskTabs;
    CMyTabCtrl* m_resultTabs;
    CMySplitWnd* m_split;
    QList<QWidget*> m_panes;        // one per task tab; 0 is the manual check
    QList<QWidget*> m_resultPages;  // result list, history
};
