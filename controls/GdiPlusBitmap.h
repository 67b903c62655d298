#pragma once
// Pictures.
//   CGdiPlusBitmap          a picture loaded from a file or from bytes (PNG, JPEG, BMP, ...); a
//                           failed load says why and keeps the picture it had
//   CGdiPlusBitmapResource  a picture of the library's own by number (the caption pictures
//                           465-479) or a Qt resource by name (":/...")
//   CSystemImageList        file-type pictures of our own for file lists: folder, parent folder,
//                           file, video, audio, picture, text; a name's picture by its suffix
#include "BrindleExport.h"

#include <QImage>
#include <QList>
#include <QPixmap>
#include <QString>

class BRINDLE_EXPORT CGdiPlusBitmap {
public:
    CGdiPlusBitmap() = default;
    explicit CGdiPlusBitmap(const QString& path) { Load(path); }
    virtual ~CGdiPlusBitmap() = default;

    bool Load(const QString& path);
    bool LoadFromData(const QByteArray& bytes);
    bool IsNull() const { return m_image.isNull(); }
    int Width() const { return m_image.width(); }
    int Height() const { return m_image.height(); }
    const QImage& Image() const { return m_image; }
    QPixmap Pixmap() const { return QPixmap::fromImage(m_image); }
    // Why the last load failed; empty after a load that worked.
    QString ErrorString() const { return m_error; }

protected:
    bool Take(const QImage& image, const QString& error);

private:
    QImage m_image;
    QString m_error;
};

class BRINDLE_EXPORT CGdiPlusBitmapResource : public CGdiPlusBitmap {
public:
    CGdiPlusBitmapResource() = default;
    explicit CGdiPlusBitmapResource(int number) { Load(number); }
    using CGdiPlusBitmap::Load;
    bool Load(int number);
};

class BRINDLE_EXPORT CSystemImageList {
public:
    enum Kind { kFolder, kParentFolder, kFile, kVideo, kAudio, kPicture, kText, kKindCount };
    // side: the pictures' width and height in pixels.
    explicit CSystemImageList(int side = 16);
    int Side() const { return m_side; }
    // The picture index of a file name (or of a folder), for Pixmap and for a list's image list.
    static Kind KindOf(const QString& name, bool folder = false);
    QPixmap Pixmap(Kind kind) const { return m_pictures.value(kind); }
    // Indexed by Kind.
    const QList<QPixmap>& Pixmaps() const { return m_pictures; }

private:
    int m_side;
    QList<QPixmap> m_pictures;
};
