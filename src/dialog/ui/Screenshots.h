#pragma once
// Pictures of the main window's screens for the documentation:
// screen-<name>.png for the start, editing, finish, enlarge, disaster and
// global screens. An untouched picture first gets one gentle enlarging
// stroke, so that the pictures show what the program does.

#include <QString>

class CScreenStack;
class CToolCommands;
class Project;
class QWidget;

// False when the folder or a picture could not be written.
bool SaveScreenshots(const QString& folder, QWidget& window, CScreenStack& screens, CToolCommands& tools,
                     Project& project);
