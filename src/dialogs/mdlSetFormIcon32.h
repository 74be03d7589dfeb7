// Window icons from the program's icon pictures.
#pragma once

#include <QIcon>
#include <QString>

class QWidget;

namespace dialogs {

// The icon group of that name (matched without regard to case), with every
// size found: the files <name>.png/.ico/.svg and <name>_<size>.png/... in the
// program folder's "icons" folder, else in the installation's. A null icon
// when there is no such group.
QIcon LoadFormIcon(const QString& iconName);

// Reads the group's pictures once on another thread and forgets them: the
// first picture read loads the image readers and the decoders, which takes a
// few milliseconds, and a window that asks for its icon later finds them
// loaded. The start does it for the splash's icon.
void ReadFormIconAhead(const QString& iconName);

// Gives the window its icon. With the owner flag, a window that has no owner
// window (the main window, the splash) also gives it to the application, so
// that windows without an icon of their own show it.
// A name without a group gives the window no icon of its own.
void SetFormIcon(QWidget* window, const QString& iconName, bool ownerFlag);

} // namespace dialogs
