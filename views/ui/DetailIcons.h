#pragma once
// The detail page's strip of 16 x 20 icons, drawn in code, in the order of DetailIcon
// (ResultDetail.h): the text's picture kinds, the sound kinds, the signs of the summary tree,
// then the picture kinds of our own.
#include <QList>
#include <QPixmap>

QList<QPixmap> DetailIcons();
