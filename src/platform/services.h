#pragma once
// Platform calls that have no Qt twin: the help viewer, the shell's "open",
// and moving a captionless window with the mouse.
#include <QString>
#include <functional>

#include "platform/controls.h"

namespace qel::ui {

// Shows the help file at its contents in our help viewer. A failure to make
// the call (an exception of the viewer) reaches the caller; a file the viewer
// cannot find or read is shown as such by the viewer.
void WinHelp(Form& owner, const QString& helpFile);
// Tests replace the viewer; an empty function restores ours.
void setHelpViewer(std::function<void(Form& owner, const QString& helpFile)> viewer);

// Asks the desktop to open the text (an address) with its URL handler. The
// outcome is not reported.
void ShellOpen(const QString& file);
// Tests catch the request instead; an empty function restores the desktop's.
void setShellOpenHandler(std::function<void(const QString&)> handler);

// Moves the window with the mouse while the left button is held, and returns
// once it is released. Where the window system moves windows itself (not
// under X11), it takes over and this returns at once. Does nothing when the
// left button is not down.
void DragWindow(Form& window);
// Watches the left button's presses across the application, so that a drag
// keeps the grip of the press that started it. Once the application exists.
void trackPresses();

}  // namespace qel::ui
