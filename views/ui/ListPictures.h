#pragma once
// The 40 x 40 pictures of the check lists, drawn in code: the default thumbnail of a file that has
// none, thumbnails from stored pixels, and the format icons of the result list.
#include <QList>
#include <QPixmap>

#include <cstdint>
#include <vector>

inline constexpr int kListPictureSide = 40;

enum FormatIcon { kFormatIconNone = 0, kFormatIconPassed = 1, kFormatIconFailed = 2 };

// A film frame on dark grey: the picture of a file without a thumbnail.
QPixmap DefaultThumbnail();
// A thumbnail from 40 x 40 blue-green-red pixels, top row first; the default picture unless
// exactly 4800 bytes are given.
QPixmap ThumbnailFromBgr(const std::vector<uint8_t>& pixels);
// Blank, green tick, red cross, in FormatIcon order.
QList<QPixmap> FormatIcons();
// The icon of a stored format verdict: none while not checked, a cross when invalid, else a tick.
FormatIcon FormatIconOf(int32_t fmtError);
