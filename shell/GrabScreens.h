#pragma once
// For looking at the program without clicking through it: renders the main frame (also with the
// alert light lit, and its top bar alone), the options dialog, the About box, the history and
// detail pages over sample results, the network-address dialog with its list open, the FTP browse
// dialog listing a local pyftpdlib server, a check in progress, a playback from a fault and a
// folder task's pane into PNG files.
#include <QString>

class CMainFrame;

// False when a picture could not be written. The result pages show sample results stored in a
// program folder of their own; the program's task.db is left as it is.
bool GrabScreens(CMainFrame& frame, const QString& folder);

// Checks mediaFile in the manual-check pane with the check monitor following it, and renders the
// main frame as picture ("check.png" unless given) once a fault was counted and marked on the monitor's timeline, and
// the monitor shows a picture and progress (or after a minute), then stops the check. False when the check did not start or the picture failed.
bool GrabCheck(CMainFrame& frame, const QString& folder, const QString& mediaFile,
               const QString& picture = QStringLiteral("check.png"));

// Renders the main frame at its least size as "main-640x480.png", checking mediaFile as GrabCheck
// does when one is given, and maximises it again.
bool GrabMinimumSize(CMainFrame& frame, const QString& folder, const QString& mediaFile = {});

// Sets up a folder task in a program folder of its own, drops a copy of mediaFile (10 MB at least,
// as the folder source wants) into its watched folder, starts its pane with the check monitor
// following it and renders the main frame as "task-pane.png" once the file is being checked (or
// after a minute). Then the task stops and the operator's own tasks come back. False when the
// file is too small, the task did not start or the picture failed.
bool GrabTaskPane(CMainFrame& frame, const QString& folder, const QString& mediaFile);

// Checks mediaFile to its end in the manual-check pane, opens its result in the detail page and
// plays it back from its last fault ("回放"), then writes "preview.png": the preview playing
// from five seconds before that fault, with the result's fault spans on its timeline. Under X the
// picture is taken from the screen, so it shows the video. False when there was nothing to play
// or the picture failed.
bool GrabPreview(CMainFrame& frame, const QString& folder, const QString& mediaFile);
