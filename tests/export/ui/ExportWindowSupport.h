#pragma once
// The finish screen's export commands without the main dialog: a stand-in for
// the main window and a key pressed in it.

#include "export/ui/ExportCommands.h"

#include <QCoreApplication>
#include <QKeyEvent>
#include <QWidget>

#include <vector>

namespace exporttest {

// The main window as the export commands see it: a plain window, the busy
// changes recorded, speed 30 unless set.
class WindowHost : public ExportHost {
public:
    QWidget* HostWindow() override { return &window; }
    void ReturnToEditing() override {}
    void SetBusy(bool busy) override { busyChanges.push_back(busy); }
    int Speed() const override { return speed; }
    void MakeActiveKeyCurrent() override {}

    QWidget window;
    std::vector<bool> busyChanges;
    int speed = 30;
};

// A key press in the main window, as a person pressing a key during an export
// (from any thread).
inline void PressKeyIn(QWidget* window)
{
    QCoreApplication::postEvent(window, new QKeyEvent(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier));
}

}  // namespace exporttest
