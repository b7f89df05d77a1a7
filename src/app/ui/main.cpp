// The desktop program.

#include "app/ui/Kib3App.h"
#include "app/ui/UserPrompts.h"

#include "export/FfmpegLog.h"

#include <QApplication>

int main(int argc, char** argv)
{
    QApplication application(argc, argv);
    SetUpFfmpegLogging();
    QApplication::setApplicationName(QStringLiteral("warplet"));
    QApplication::setDesktopFileName(QStringLiteral("warplet"));
    StandardPrompts prompts;
    CKib3App app(prompts);
    QStringList arguments = QApplication::arguments();
    arguments.removeFirst();  // the program itself
    return app.Run(arguments);
}
