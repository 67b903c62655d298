#pragma once
// The "历史查询" page: stored results of a range of days or whose name contains a text, newest
// first, in the result list's columns. The operator opens a result in the detail page, deletes
// results and exports the listed ones as one HTML table. A year of results lists at once: rows
// are filled, and their face pictures read, as they scroll into view.
#include "MyDialog.h"

#include "HistoryQuery.h"
#include "TaskRecords.h"

#include <QTimer>

#include <vector>

class CGdiplusButton;
class CMyListCtrl;
class QCheckBox;
class QDateEdit;
class QLineEdit;
class QMenu;

class CWndHistory : public CMyDialog {
    Q_OBJECT
public:
    explicit CWndHistory(QWidget* parent = nullptr);

    // "刷新": the query the boxes choose. The rows still listed stay selected, and the list keeps
    // its place.
    void Query();
    // Results were stored or changed elsewhere in the program: queried again shortly while the
    // page is shown (one query for a burst of changes), else when it is shown next.
    void OnResultsStored();
    // "详细信息": opens the selected row's result, or says that none is selected.
    void OnDetails();
    // "删除": the selected results, after the operator's confirmation.
    void DeleteSelected();
    // "导出为HTML文件": the listed results into a folder the operator picks.
    void ExportHtml();

    // The listed results in list order (face pictures only of rows shown so far).
    const std::vector<quarvik::ResultRow>& Rows() const { return m_rows; }
    quarvik::HistoryFilter Filter() const;

    CMyListCtrl* List() const { return m_list; }
    QCheckBox* TimeRangeBox() const { return m_byTime; }
    QCheckBox* NameBox() const { return m_byName; }
    QDateEdit* FromDate() const { return m_from; }
    QDateEdit* ToDate() const { return m_to; }
    QLineEdit* NameEdit() const { return m_name; }
    CGdiplusButton* RefreshButton() const { return m_refresh; }
    CGdiplusButton* DetailButton() const { return m_details; }
    CGdiplusButton* DeleteButton() const { return m_delete; }
    CGdiplusButton* ExportButton() const { return m_export; }
    QMenu* ExportMenu() const { return m_exportMenu; }

signals:
    // The operator opens a result (the workspace shows it on the detail page).
    void OpenResult(const quarvik::ResultInfo_t& result);
    // The operator deleted these results from task.db.
    void ResultsDeleted(const std::vector<int32_t>& resultIds);

protected:
    void resizeEvent(QResizeEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    // One box checked, the other cleared, then the query.
    void ChooseBox(QCheckBox* checked);
    void FillVisibleRows();
    // Width of a query field on a line with room for it.
    int FieldWidth(const QWidget* field) const;
    void FillRow(quarvik::CSqliteDb& db, int row);

    CGdiplusButton* m_refresh;
    CGdiplusButton* m_details;
    CGdiplusButton* m_delete;
    CGdiplusButton* m_export;
    QMenu* m_exportMenu;
    QCheckBox* m_byTime;
    QDateEdit* m_from;
    QDateEdit* m_to;
    QCheckBox* m_byName;
    QLineEdit* m_name;
    CMyListCtrl* m_list;
    std::vector<quarvik::ResultRow> m_rows;
    std::vector<bool> m_filled;
    QTimer m_requery;
    // Results changed while the page was hidden: queried again when shown.
    bool m_stale = false;
};
