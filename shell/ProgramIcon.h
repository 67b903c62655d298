#pragma once
// The program's icon, drawn in code: a green disc with a white check mark.
#include <QIcon>

QIcon ProgramIcon();
