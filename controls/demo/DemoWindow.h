#pragma once
// A frame window holding one of each Brindle control, filled with sample rows.
class CMyFrameWnd;
class QMenu;

CMyFrameWnd* BuildDemoWindow(QMenu* menu);
