#pragma once
// Our own help viewer: one window that shows a help file written in Markdown.
#include <QString>

class QWidget;

namespace qel::ui {

// Shows the file in the viewer window, creating the window on first use and
// bringing it forward afterwards. The window belongs to the owner, so it goes
// when the owner goes. Looks for the file next to the executable, then among
// the program's embedded assets; a file found nowhere is said so in the
// viewer itself.
void showHelpFile(QWidget* owner, const QString& helpFile);

// The viewer window while it exists (tests look at it), else nullptr.
QWidget* helpViewerWindow();

// Where the file would be read from: a path on disk or a resource path;
// empty when there is none.
QString locateHelpFile(const QString& helpFile);

}  // namespace qel::ui
