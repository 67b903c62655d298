#pragma once
// The program's icon, drawn in code: a green disc with a white check mark.
#include <QIcon>
#include <QImage>

QIcon ProgramIcon();

// The icon drawn at one size (the installed icon theme's pictures are made from it).
QImage ProgramIconImage(int size);
