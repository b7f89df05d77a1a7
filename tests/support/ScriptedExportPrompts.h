#pragma once
// ExportPrompts answered from a script: file names, frame lists, a custom size
// percentage and a printer that writes a PDF file.

#include "export/ui/ExportPrompts.h"

#include <QImage>
#include <QPageLayout>
#include <QPrinter>
#include <QString>

#include <deque>
#include <optional>
#include <vector>

class ScriptedExportPrompts : public ExportPrompts {
public:
    // Empty queues answer Cancel.
    std::deque<QString> files;                      // every save dialog takes the next one
    std::deque<std::vector<int>> frameLists;        // the frame dialog's choices
    std::optional<int> percent;                     // the size dialog's answer
    QString printToPdf;                             // the print dialog's PDF file; empty: cancel
    std::optional<QPageLayout> pageLayout;          // the paper the print dialog chooses
    std::optional<PrintPlacement> placement;        // the frame's placement it chooses; nothing: as offered
    std::vector<PrintPlacement> offeredPlacements;  // what each print dialog offered
    int asked = 0;                                  // dialogs shown
    std::vector<QString> proposed;                  // the names the save dialogs proposed
    int previews = 0;                               // frames the frame dialog rendered
    bool highGif = false;                           // the save-animation dialog's GIF choice
    bool severalFormats = false;                    // ... or its several formats at once
    VideoCodec codec = VideoCodec::Default;         // the save-video dialog's codec
    std::optional<LoopQuality> quality;             // the quality dialog's answer; nothing: as offered
    bool cancelQuality = false;                     // ... or Cancel
    std::vector<LoopQualityRows> qualityRows;       // the rows each quality dialog showed

    AnimationFile AskSaveVideo(QWidget*, const QString& name) override { return {Take(name), false, codec}; }
    AnimationFile AskSaveGif(QWidget*, const QString& name) override
    {
        return {Take(name), highGif, VideoCodec::Default, severalFormats};
    }
    QString AskSavePictures(QWidget*, const QString& name) override { return Take(name); }
    bool AskLoopQuality(QWidget*, const LoopQualityRows& rows, LoopQuality& chosen) override
    {
        qualityRows.push_back(rows);
        if (cancelQuality)
            return false;
        if (quality)
            chosen = *quality;
        return true;
    }
    std::optional<std::vector<int>> ChooseFrames(QWidget*, int, int current,
                                                 std::function<QImage(int)> preview) override
    {
        ++asked;
        if (!preview(current).isNull())
            ++previews;
        if (frameLists.empty())
            return std::nullopt;
        std::vector<int> frames = frameLists.front();
        frameLists.pop_front();
        return frames;
    }
    std::optional<int> AskPercent(QWidget*, int, int) override
    {
        ++asked;
        return percent;
    }
    bool SetUpPrinter(QWidget*, QPrinter& printer, PrintPlacement& chosen) override
    {
        ++asked;
        offeredPlacements.push_back(chosen);
        if (printToPdf.isEmpty())
            return false;
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(printToPdf);
        if (pageLayout)
            printer.setPageLayout(*pageLayout);
        if (placement)
            chosen = *placement;
        return true;
    }

private:
    QString Take(const QString& name)
    {
        ++asked;
        proposed.push_back(name);
        if (files.empty())
            return {};
        QString s = files.front();
        files.pop_front();
        return s;
    }
};
