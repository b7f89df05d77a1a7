#include "export/ui/ExportPrompts.h"

#include "animation/ui/ChooseFrameDlg.h"
#include "app/AppState.h"
#include "controls/ui/SizeDlg.h"
#include "export/VideoExport.h"
#include "export/ui/LoopQualityDlg.h"
#include "export/ui/PrintPlacementTab.h"
#include "controls/ui/PictureDialogs.h"
#include "io/FilePath.h"
#include "project/Project.h"
#include "res/StringTable.h"

#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QPrintDialog>
#include <QPrinter>
#include <QRegularExpression>

#include <algorithm>

namespace {

// The first extension a Qt filter entry names ("MP4 videos (*.mp4 *.MP4)" -> "mp4").
QString FirstExtension(const QString& filter)
{
    static const QRegularExpression pattern(QStringLiteral("\\*\\.(\\w+)"));
    return pattern.match(filter).captured(1).toLower();
}

struct SaveAnswer {
    QString path;  // empty when cancelled
    int filter = 0;
};

// A save dialog with a filter of the table's form. Choosing a filter gives the name
// its extension (where the name has the extension of another entry) and makes it the
// extension of a name typed without one; before a choice that is `suffix`.
SaveAnswer AskSave(QWidget* parent, const QString& proposed, const QString& tableFilter, const QString& suffix)
{
    SaveFolder folder(QFileInfo(proposed).absolutePath());
    QFileDialog dialog(parent, QString(), folder.Path(), QtFileFilter(tableFilter, true));
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setDefaultSuffix(suffix);
    QStringList extensions;
    for (const QString& filter : dialog.nameFilters())
        extensions << FirstExtension(filter);
    QObject::connect(&dialog, &QFileDialog::filterSelected, &dialog, [&dialog, extensions](const QString& filter) {
        const QString extension = FirstExtension(filter);
        if (extension.isEmpty())
            return;
        dialog.setDefaultSuffix(extension);
        const QFileInfo name(dialog.selectedFiles().value(0));
        if (extensions.contains(name.suffix().toLower()) && name.suffix().toLower() != extension)
            dialog.selectFile(name.completeBaseName() + QLatin1Char('.') + extension);
    });
    dialog.selectFile(proposed);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return {};
    const QString path = dialog.selectedFiles().first();
    folder.Keep(path);
    return {path, int(std::max<qsizetype>(0, dialog.nameFilters().indexOf(dialog.selectedNameFilter())))};
}

// The table filter of the entries, in their order.
QString JoinedFilter(const std::vector<AnimationFilter>& filters)
{
    QString joined;
    for (const AnimationFilter& filter : filters) {
        QString entry = AppString(filter.stringId);
        while (entry.endsWith(QLatin1Char('|')))
            entry.chop(1);
        joined += entry + QLatin1Char('|');
    }
    return joined + QLatin1Char('|');
}

AnimationFile AskSaveAnimation(QWidget* parent, const QString& proposed, const std::vector<AnimationFilter>& filters,
                               const QString& suffix)
{
    const SaveAnswer answer = AskSave(parent, proposed, JoinedFilter(filters), suffix);
    if (answer.path.isEmpty())
        return {};
    return ChosenAnimationFile(answer.path, filters.at(size_t(std::min<int>(answer.filter, int(filters.size()) - 1))));
}

QString& FolderOfKind(ExportKind kind)
{
    switch (kind) {
    case ExportKind::Video: return App().m_strAviDir;
    case ExportKind::Gif: return App().m_strGifDir;
    case ExportKind::Pictures: break;
    }
    return App().m_strSequenceDir;
}

QString BaseNameOf(const std::string& path)
{
    return QFileInfo(PathToQString(path)).completeBaseName();
}

}  // namespace

QString DocumentName(const Project& project)
{
    if (!project.ProjectPath().empty())
        return BaseNameOf(project.ProjectPath());
    if (!project.Work().Path().empty())
        return BaseNameOf(project.Work().Path());
    return AppString(StrId::Untitled);
}

QString ProposedExportPath(ExportKind kind, const Project& project)
{
    const QString& remembered = FolderOfKind(kind);
    const QString folder = remembered.isEmpty() ? QDir::homePath() : remembered;
    QString name;
    switch (kind) {
    case ExportKind::Video: name = DocumentName(project) + QStringLiteral(".wmv"); break;
    case ExportKind::Gif: name = DocumentName(project) + QStringLiteral(".gif"); break;
    case ExportKind::Pictures: {
        // Numbered pictures are named after the picture they show.
        const std::string& picture = project.Work().Path();
        name = picture.empty() ? AppString(StrId::Untitled) : BaseNameOf(picture) + QStringLiteral("_wrpl");
        break;
    }
    }
    return folder + QLatin1Char('/') + name;
}

void RememberExportFolder(ExportKind kind, const QString& path)
{
    FolderOfKind(kind) = QFileInfo(path).absolutePath();
}

std::vector<AnimationFilter> AnimationFilters()
{
    return {{StrId::GifFilter},  {StrId::HighGifFilter, true},
            {StrId::WebpFilter}, {StrId::ApngFilter},
            {StrId::AvifFilter}, {StrId::SeveralFormatsFilter, false, VideoCodec::Default, true}};
}

std::vector<AnimationFilter> VideoFilters(bool withAv1)
{
    std::vector<AnimationFilter> filters{
        {StrId::VideoFilter}, {StrId::Mp4Filter, false, VideoCodec::H264}, {StrId::WebmFilter, false, VideoCodec::Vp9}};
    if (withAv1) {
        filters.push_back({StrId::Mp4Av1Filter, false, VideoCodec::Av1});
        filters.push_back({StrId::WebmAv1Filter, false, VideoCodec::Av1});
    }
    return filters;
}

AnimationFile ChosenAnimationFile(const QString& path, const AnimationFilter& filter)
{
    AnimationFile file{path};
    if (QFileInfo(path).suffix().toLower() != FirstExtension(AppString(filter.stringId)))
        return file;
    file.highGif = filter.highGif;
    file.codec = filter.codec;
    file.severalFormats = filter.severalFormats;
    return file;
}

AnimationFile StandardExportPrompts::AskSaveVideo(QWidget* parent, const QString& proposed)
{
    const bool av1 = bool(FindVideoEncoder(VideoCodec::Av1));
    return AskSaveAnimation(parent, proposed, VideoFilters(av1), QStringLiteral("wmv"));
}

AnimationFile StandardExportPrompts::AskSaveGif(QWidget* parent, const QString& proposed)
{
    return AskSaveAnimation(parent, proposed, AnimationFilters(), QStringLiteral("gif"));
}

QString StandardExportPrompts::AskSavePictures(QWidget* parent, const QString& proposed)
{
    std::string path = proposed.toStdString();
    if (!AskSavePictureName(path, parent))
        return {};
    return QString::fromStdString(path);
}

bool StandardExportPrompts::AskLoopQuality(QWidget* parent, const LoopQualityRows& rows, LoopQuality& quality)
{
    CLoopQualityDlg dlg(rows, quality, parent);
    if (dlg.exec() != QDialog::Accepted)
        return false;
    quality = dlg.Quality();
    return true;
}

std::optional<std::vector<int>> StandardExportPrompts::ChooseFrames(QWidget* parent, int total, int current,
                                                                    std::function<QImage(int)> preview)
{
    CChooseFrameDlg dlg(total, current, std::move(preview), parent);
    if (dlg.exec() != QDialog::Accepted)
        return std::nullopt;
    return dlg.Frames();
}

std::optional<int> StandardExportPrompts::AskPercent(QWidget* parent, int width, int height)
{
    CSizeDlg dlg(width, height, 100, parent);
    if (dlg.exec() != QDialog::Accepted)
        return std::nullopt;
    return dlg.Percent();
}

bool StandardExportPrompts::SetUpPrinter(QWidget* parent, QPrinter& printer, PrintPlacement& placement)
{
    QPrintDialog dialog(&printer, parent);
    dialog.setOption(QAbstractPrintDialog::PrintSelection, false);
    dialog.setOption(QAbstractPrintDialog::PrintPageRange, false);
    dialog.setOption(QAbstractPrintDialog::PrintCurrentPage, false);
    // The placement on a tab of the dialog's options, which owns it.
    auto* tab = new CPrintPlacementTab(placement, &dialog);
    dialog.setOptionTabs({tab});
    if (dialog.exec() != QDialog::Accepted)
        return false;
    placement = tab->Placement();
    return true;
}
