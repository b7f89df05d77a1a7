// The desktop program.

#include "app/ui/Kib3App.h"
#include "app/ui/UserPrompts.h"

extern "C" {
#include <libavutil/log.h>
}

#include <QApplication>

int main(int argc, char** argv)
{
    QApplication application(argc, argv);
    // The video encoders report their statistics at the info level; keep only errors.
    av_log_set_level(AV_LOG_ERROR);
    QApplication::setApplicationName(QStringLiteral("warplet"));
    QApplication::setDesktopFileName(QStringLiteral("warplet"));
    StandardPrompts prompts;
    CKib3App app(prompts);
    QStringList arguments = QApplication::arguments();
    arguments.removeFirst();  // the program itself
    return app.Run(arguments);
}
