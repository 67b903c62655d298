#pragma once
// How the check panes (the manual list and the task panes) show their sub-task list in a
// CMyListCtrl: row number beside the thumbnail, the file in display form, the state (or the
// size until there is a state), failure states in their colours. Row r of the control is row r
// of the list. GUI thread only, like the list itself.
#include "SubTaskList.h"

#include <vector>

class CGdiplusButton;
class CMyListCtrl;
class QPoint;
class QWidget;

inline constexpr int kSubTaskStateColumn = 2;

// The columns "序号", "文件" and "状态" (stateWidth pixels, or wider when the font needs it for
// the longest progress text), thumbnail-high rows, several rows selectable, a context menu request
// on right-click.
void SetUpSubTaskColumns(CMyListCtrl& list, int stateWidth);

// The list's observer calls, drawn.
void InsertSubTaskRow(CMyListCtrl& list, const quarvik::CSubTaskList& tasks, int row);
void UpdateSubTaskRow(CMyListCtrl& list, const quarvik::CSubTaskList& tasks, int row);
void ReloadSubTaskRows(CMyListCtrl& list, const quarvik::CSubTaskList& tasks);

// Right-click: the state text of the row at pos (list coordinates) in a message box.
void ShowSubTaskStateAt(QWidget* parent, const CMyListCtrl& list, const quarvik::CSubTaskList& tasks,
                        const QPoint& pos);

// Deletes the selected rows after the operator's confirmation ("请选择要删除的记录！" without any).
void DeleteSelectedSubTasks(QWidget* parent, const CMyListCtrl& list, quarvik::CSubTaskList& tasks);

// The pane's buttons in one line while the pane is wide enough; in a narrow one they become as
// narrow as their texts allow, and what still does not fit goes on the next line. The list fills
// the rest of the pane below them. Hidden buttons take no place.
void LayOutSubTaskPane(QWidget& pane, const std::vector<CGdiplusButton*>& buttons, CMyListCtrl& list);
