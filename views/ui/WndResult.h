#pragma once
// The "检测结果" page: today's results, one row per check of a file, drawn from the result
// recorder it owns. Rows appear as checks begin; counts, the format icon, the state and the row
// colour follow the check's reports, and every report is passed on to the alert light. A check
// that ended as a failure (interrupted, could not open, could not store) shows its state in its
// failure colour, whatever it found.
#include "MyDialog.h"

#include "PlayoutClipNames.h"
#include "ResultRecorder.h"
#include "TaskRecords.h"

class CGdiplusButton;
class CMyListCtrl;

class CWndResult : public CMyDialog, private quarvik::IResultListObserver {
    Q_OBJECT
public:
    static constexpr int kFileColumn = 2, kNameColumn = 3, kFormatColumn = 4;
    static constexpr int kFirstCountColumn = 5;
    // The state follows the counts; it is shown right after the name (see the constructor).
    static constexpr int kStateColumn = kFirstCountColumn + static_cast<int>(quarvik::kCountColumnKinds.size());
    static constexpr int kColumnCount = kStateColumn + 1;
    static inline const QColor kFaultyText{255, 0, 0};
    static inline const QColor kFormatFailedText{128, 0, 0};

    explicit CWndResult(QWidget* parent = nullptr);

    // The result list's columns, row height and format icons (the history shares them).
    static void SetUpList(CMyListCtrl* list);

    quarvik::CResultRecorder& Recorder() { return m_recorder; }
    CMyListCtrl* List() const { return m_list; }
    CGdiplusButton* RefreshButton() const { return m_refresh; }
    CGdiplusButton* DetailButton() const { return m_details; }

    // "刷新": today's results read again.
    void Reload();
    // These results were deleted elsewhere in the program: their rows go.
    void ForgetResults(const std::vector<int32_t>& resultIds) { m_recorder.Forget(resultIds); }
    // "详细信息": opens the selected row's result, or says that none is selected.
    void OnDetails();

signals:
    // The operator opens a result (the bottom shows it on the detail page).
    void OpenResult(const quarvik::ResultInfo_t& result);
    // A check run's report code, for the alert light.
    void CheckReport(int code);
    // A result was added to task.db, or a check stored its end: other lists of results follow.
    void ResultsStored();

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    void OnRowAppended(int row) override;
    void OnRowChanged(int row) override;
    void OnReloaded() override;
    void OnReport(int code) override;
    void OnFaultRecorded(int, const quarvik::ResultNotify_t&) override {}

    // The widths the operator dragged, from system.ini and back to it.
    void KeepColumnWidths();
    void InsertRow(int row);
    void FillRow(int row);

    CGdiplusButton* m_refresh;
    CGdiplusButton* m_details;
    CMyListCtrl* m_list;
    quarvik::CResultRecorder m_recorder;
    quarvik::CPlayoutClipNames m_clipNames;
};
