// The desktop program.

#include "app/ui/Kib3App.h"
#include "controls/ui/UserPrompts.h"

#include "export/FfmpegLog.h"
#include "export/ImageLog.h"

#include <QApplication>

int main(int argc, char** argv)
{
    // Help and the plugin registration run before the window system is asked
    // for a display: package scripts and remote shells have none.
    QStringList early;
    for (int i = 1; i < argc; ++i)
        early.append(QString::fromLocal8Bit(argv[i]));
    if (const std::optional<int> code = CKib3App::RunWithoutWindow(early))
        return *code;

    QApplication application(argc, argv);
    SetUpFfmpegLogging();
    SetUpImageLibraryLogging();
    QApplication::setApplicationName(QStringLiteral("warplet"));
    QApplication::setDesktopFileName(QStringLiteral("warplet"));
    StandardPrompts prompts;
    CKib3App app(prompts);
    QStringList arguments = QApplication::arguments();
    arguments.removeFirst();  // the program itself
    return app.Run(arguments);
}
