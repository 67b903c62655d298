#pragma once
// For looking at the program without clicking through it: renders the main frame (also with the
// alert light lit, and its top bar alone), the options dialog and the About box into PNG files.
#include <QString>

class CMainFrame;

// False when a picture could not be written.
bool GrabScreens(CMainFrame& frame, const QString& folder);
