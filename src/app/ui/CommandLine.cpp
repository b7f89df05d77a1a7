#include "app/ui/CommandLine.h"

#include "app/AppState.h"
#include "res/StringTable.h"

#include <array>

namespace {

struct Switch {
    const char* name;
    CMyCommandLineInfo::ShellCommand command;
};

// The register and unregister switches; letter case does not matter.
constexpr std::array<Switch, 8> kSwitches{{
    {"Register", CMyCommandLineInfo::AppRegister},
    {"Regserver", CMyCommandLineInfo::AppRegister},
    {"RegisterPerUser", CMyCommandLineInfo::AppRegister},
    {"RegserverPerUser", CMyCommandLineInfo::AppRegister},
    {"Unregister", CMyCommandLineInfo::AppUnregister},
    {"Unregserver", CMyCommandLineInfo::AppUnregister},
    {"UnregisterPerUser", CMyCommandLineInfo::AppUnregister},
    {"UnregserverPerUser", CMyCommandLineInfo::AppUnregister},
}};

const Switch* FindSwitch(const QString& name)
{
    for (const Switch& s : kSwitches) {
        if (name.compare(QLatin1String(s.name), Qt::CaseInsensitive) == 0)
            return &s;
    }
    return nullptr;
}

}  // namespace

void CMyCommandLineInfo::ParseParam(const QString& param, bool flag, bool /*last*/)
{
    if (flag) {
        if (const Switch* s = FindSwitch(param))
            m_nShellCommand = s->command;
        return;
    }
    if (IsPictureFile(param))
        m_pictures.append(param);
    if (m_strFileName.isEmpty()) {
        m_strFileName = param;
        if (m_nShellCommand == FileNew)
            m_nShellCommand = FileOpen;
    }
}

void CMyCommandLineInfo::Parse(const QStringList& arguments)
{
    for (qsizetype i = 0; i < arguments.size(); ++i) {
        const QString& arg = arguments[i];
        const bool last = i + 1 == arguments.size();
        // Options of this build, in the usual "--name value" or "--name=value" forms.
        if (arg.startsWith(QLatin1String("--"))) {
            const QString name = arg.section(QLatin1Char('='), 0, 0);
            const bool inlineValue = arg.contains(QLatin1Char('='));
            auto value = [&]() -> std::optional<QString> {
                if (inlineValue)
                    return arg.section(QLatin1Char('='), 1);
                if (i + 1 < arguments.size())
                    return arguments[++i];
                return std::nullopt;
            };
            if (name == QLatin1String("--lang")) {
                const std::optional<QString> v = value();
                m_language = v ? ParseLanguage(*v) : std::nullopt;
                if (!m_language)
                    m_errors.append(QStringLiteral("--lang needs \"zh\" or \"en\""));
            } else if (name == QLatin1String("--screenshot")) {
                const std::optional<QString> v = value();
                if (v && !v->isEmpty())
                    m_strScreenshotDir = *v;
                else
                    m_errors.append(QStringLiteral("--screenshot needs a folder"));
            } else if (name == QLatin1String("--help")) {
                m_bHelp = true;
            } else if (FindSwitch(arg.mid(2))) {
                ParseParam(arg.mid(2), true, last);
            } else {
                m_errors.append(QStringLiteral("unknown option %1").arg(arg));
            }
            continue;
        }
        if (arg.startsWith(QLatin1Char('-')) && arg.size() > 1) {
            ParseParam(arg.mid(1), true, last);
            continue;
        }
        // "/Register" is a switch; any other "/..." is an absolute path.
        if (arg.startsWith(QLatin1Char('/')) && FindSwitch(arg.mid(1))) {
            ParseParam(arg.mid(1), true, last);
            continue;
        }
        ParseParam(arg, false, last);
    }
}

QString CMyCommandLineInfo::StartProject() const
{
    if (m_strFileName.isEmpty() || IsPictureFile(m_strFileName))
        return {};
    return m_strFileName;
}

QString CMyCommandLineInfo::Usage()
{
    return QStringLiteral(
        "usage: warplet [--lang zh|en] [picture or project file]\n"
        "       warplet -Register | -Unregister\n"
        "       warplet --screenshot FOLDER [picture]\n");
}
