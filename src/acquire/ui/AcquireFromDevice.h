#pragma once
// A picture from a scanner or camera, as the start screen's "scanner or
// camera" command takes it: device choice, picture choice, the transfer with
// its progress window, and the path of the file written into the pictures
// folder (empty when nothing was written; the reason has been shown).

#include "acquire/AcquireTransfer.h"

#include <QString>

#include <optional>
#include <vector>

class QWidget;
class UserPrompts;

// The choices the user makes. The program shows its dialogs; tests answer
// from a script.
class AcquireChoices {
public:
    enum class Answer { Chosen, Cancelled, Failed };

    virtual ~AcquireChoices() = default;
    virtual std::optional<AcquireDevice> ChooseDevice(QWidget* parent, const std::vector<AcquireDevice>& devices) = 0;
    virtual std::optional<ScanSettings> ChooseScan(QWidget* parent, const AcquireDevice& scanner,
                                                   const ScanOptions& options) = 0;
    // Failed when the camera cannot be read.
    virtual Answer ChoosePicture(QWidget* parent, const AcquireDevice& camera, CameraItem& item) = 0;
    // The transfer itself, with its progress window.
    virtual AcquireOutcome Transfer(QWidget* parent, const AcquireRequest& request);
};

// The program's own dialogs; a failed preview scan is reported through `prompts`.
class DialogChoices : public AcquireChoices {
public:
    explicit DialogChoices(UserPrompts& prompts) : m_prompts(prompts) {}
    std::optional<AcquireDevice> ChooseDevice(QWidget* parent, const std::vector<AcquireDevice>& devices) override;
    std::optional<ScanSettings> ChooseScan(QWidget* parent, const AcquireDevice& scanner,
                                           const ScanOptions& options) override;
    Answer ChoosePicture(QWidget* parent, const AcquireDevice& camera, CameraItem& item) override;

private:
    UserPrompts& m_prompts;
};

// The whole acquisition; files go to `folder` (ending with '/').
QString AcquireFromDevice(QWidget* parent, UserPrompts& prompts, AcquireChoices& choices, const QString& folder);
// With the program's dialogs, into the pictures folder.
QString AcquireFromDevice(QWidget* parent, UserPrompts& prompts);
