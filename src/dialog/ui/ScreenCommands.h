#pragma once
// The screens' command buttons, each showing its picture (and caption) and
// bound to its command, and the commands that move between the screens:
// start, finish, the six tool panels and the back buttons.

#include <QObject>

class CCommandRegistry;
class CScreenStack;
class QWidget;

class CScreenCommands : public QObject {
    Q_OBJECT
public:
    // The buttons are made on `window` and shown by `screens`.
    CScreenCommands(CCommandRegistry& commands, CScreenStack& screens, QWidget& window);
};
