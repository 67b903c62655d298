#pragma once
// A frame window holding one of each Brindle control, filled with sample rows.
#include <QList>
#include <QPixmap>

class CMyFrameWnd;
class QMenu;
class QWidget;

// still: for a picture of the window: the list's in-place editors open, the clock at a fixed time.
CMyFrameWnd* BuildDemoWindow(QMenu* menu, bool still = false);
// The displays, edits, bars and pictures, below and right of the lists.
void AddMoreControls(QWidget* page, const QList<QPixmap>& pictures, bool still);
