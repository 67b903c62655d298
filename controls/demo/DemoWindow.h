#pragma once
// A frame window holding one of each Brindle control, filled with sample rows.
#include <QList>
#include <QPixmap>

class CMyFrameWnd;
class QMenu;
class QWidget;

// showEditors: open the list's in-place editors, so that a picture of the window shows them.
CMyFrameWnd* BuildDemoWindow(QMenu* menu, bool showEditors = false);
// The displays, edits, bars and pictures, below and right of the lists.
void AddMoreControls(QWidget* page, const QList<QPixmap>& pictures);
