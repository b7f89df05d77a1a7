#include "app/PluginRegistration.h"

#include "app/AppState.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QXmlStreamWriter>

namespace {

constexpr int kIconResource = 128;

QString PluginsFolder(const QString& dataFolder)
{
    return dataFolder + QStringLiteral("/TAVMOR/PLUGINS");
}

// "%s,%d": the program path, a comma and the icon resource.
QString IconText(const QString& programPath)
{
    return programPath + QLatin1Char(',') + QString::number(kIconResource);
}

}  // namespace

QString CommonDataFolder()
{
    const QString dirs = qEnvironmentVariable("XDG_DATA_DIRS");
    const QString first = dirs.section(QLatin1Char(':'), 0, 0);
    if (first.isEmpty())
        return QStringLiteral("/usr/local/share");
    // A trailing separator would give "//TAVMOR"; keep the path tidy.
    return first.size() > 1 && first.endsWith(QLatin1Char('/')) ? first.chopped(1) : first;
}

QString PluginDescriptionPath(const QString& dataFolder, unsigned major, unsigned minor)
{
    return PluginsFolder(dataFolder) +
           QString::asprintf("/Warplet.%02x.%02x.tvplugin", major & 0xFFFFu, minor & 0xFFFFu);
}

QString PluginDescriptionXml(const QString& programPath, const QString& captions)
{
    const QString icon = IconText(programPath);
    QString text;
    QXmlStreamWriter xml(&text);
    xml.setAutoFormatting(false);
    xml.writeStartElement(QStringLiteral("tvplugin"));

    xml.writeEmptyElement(QStringLiteral("general"));
    xml.writeAttribute(QStringLiteral("path"), programPath);
    xml.writeAttribute(QStringLiteral("icon"), icon);
    xml.writeAttribute(QStringLiteral("type"), QStringLiteral("exe"));
    xml.writeAttribute(QStringLiteral("call"), QStringLiteral("cmdline"));

    xml.writeStartElement(QStringLiteral("plugins"));
    xml.writeStartElement(QStringLiteral("plugin"));

    QString barred = captions;
    barred.replace(QStringLiteral("\r\n"), QStringLiteral("|"));
    barred.replace(QLatin1Char('\n'), QLatin1Char('|'));
    xml.writeEmptyElement(QStringLiteral("interface"));
    xml.writeAttribute(QStringLiteral("icon"), icon);
    xml.writeAttribute(QStringLiteral("text"), barred);
    xml.writeAttribute(QStringLiteral("group"), QStringLiteral("3"));

    xml.writeEmptyElement(QStringLiteral("special"));
    xml.writeAttribute(QStringLiteral("mode"), QStringLiteral("browse"));
    xml.writeAttribute(QStringLiteral("files-type"), QStringLiteral("image"));
    xml.writeAttribute(QStringLiteral("files-count-min"), QStringLiteral("1"));
    xml.writeAttribute(QStringLiteral("files-count-max"), QStringLiteral("1"));

    xml.writeEndElement();  // plugin
    xml.writeEndElement();  // plugins
    xml.writeEndElement();  // tvplugin
    text += QLatin1Char('\n');
    return text;
}

PluginResult RegisterPlugin(bool registerPlugin, const QString& dataFolder, const QString& programPath,
                            const QString& captions)
{
    if (dataFolder.isEmpty())
        return PluginResult::NoFolder;
    const QString folder = PluginsFolder(dataFolder);
    if (!QDir().mkpath(folder))
        return PluginResult::NoFolder;
    const QString path = PluginDescriptionPath(dataFolder, WARPLET_VERSION_MAJOR, WARPLET_VERSION_MINOR);

    if (!registerPlugin) {
        if (!QFileInfo::exists(path) && !QFileInfo(path).isSymLink())
            return PluginResult::Removed;
        return QFile::remove(path) ? PluginResult::Removed : PluginResult::RemoveFailed;
    }

    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return PluginResult::WriteFailed;
    const QByteArray bytes = PluginDescriptionXml(programPath, captions).toUtf8();
    if (file.write(bytes) != bytes.size()) {
        file.cancelWriting();
        return PluginResult::WriteFailed;
    }
    return file.commit() ? PluginResult::Written : PluginResult::WriteFailed;
}

PluginResult RegisterPlugin(bool registerPlugin, const QString& captions)
{
    return RegisterPlugin(registerPlugin, CommonDataFolder(), ProgramFilePath(), captions);
}

QString PluginResultText(PluginResult result)
{
    switch (result) {
    case PluginResult::Written: return QStringLiteral("plugin description written");
    case PluginResult::Removed: return QStringLiteral("plugin description removed");
    case PluginResult::NoFolder: return QStringLiteral("cannot create the plugins folder");
    case PluginResult::WriteFailed: return QStringLiteral("cannot write the plugin description file");
    case PluginResult::RemoveFailed: return QStringLiteral("cannot delete the plugin description file");
    }
    return {};
}
