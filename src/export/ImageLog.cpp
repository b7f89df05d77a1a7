#include "export/ImageLog.h"

#include <QString>
#include <QtGlobal>

#include <cstdlib>
#include <cstring>
#include <string_view>

namespace {

// The handler that was in place before ours; the one Qt keeps is process-wide.
QtMessageHandler& PreviousHandler()
{
    static QtMessageHandler previous = nullptr;
    return previous;
}

void DropDecoderMessages(QtMsgType type, const QMessageLogContext& context, const QString& message)
{
    if (type != QtFatalMsg && IsDecoderMessage(context.category, message.toUtf8().constData()))
        return;
    if (QtMessageHandler previous = PreviousHandler())
        previous(type, context, message);
}

}  // namespace

bool IsDecoderMessage(const char* category, const char* text)
{
    const std::string_view c = category ? category : "";
    const std::string_view t = text ? text : "";
    if (c.substr(0, 14) == "qt.gui.imageio")
        return true;
    for (const std::string_view start : {"libpng", "libtiff", "Corrupt JPEG data", "Premature end of JPEG file",
                                         "Invalid JPEG file structure", "Unsupported marker type"})
        if (t.substr(0, start.size()) == start)
            return true;
    return false;
}

void SetUpImageLibraryLogging()
{
    const char* wanted = std::getenv("WARPLET_IMAGE_LOG");
    if (wanted && *wanted && *wanted != '0')
        return;
    QtMessageHandler previous = qInstallMessageHandler(DropDecoderMessages);
    if (previous != DropDecoderMessages)
        PreviousHandler() = previous;
}
