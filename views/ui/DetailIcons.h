#pragma once
// The detail page's strip of eighteen 16 x 20 icons, drawn in code, in the order of DetailIcon
// (ResultDetail.h): the picture kinds, the sound kinds, then the signs of the summary tree.
#include <QList>
#include <QPixmap>

QList<QPixmap> DetailIcons();
