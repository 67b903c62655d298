#pragma once
// For looking at the program without clicking through it: renders the main frame, the options
// dialog and the About box into PNG files in a folder.
#include <QString>

class CMainFrame;

// False when a picture could not be written.
bool GrabScreens(CMainFrame& frame, const QString& folder);
