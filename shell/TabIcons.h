#pragma once
// The 16 x 16 tab icons of the workspace, drawn in code, in this order.
#include <QList>
#include <QPixmap>

enum TabIcon { kIconStopped = 0, kIconResults = 1, kIconHistory = 2, kIconDetail = 3, kIconRunning = 4 };

QList<QPixmap> TabIcons();
