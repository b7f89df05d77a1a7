#pragma once
// Waiting in a window test for an export that runs on its worker thread: the
// event loop runs meanwhile, as the program's does.

#include "export/ui/ExportCommands.h"

#include <QCoreApplication>
#include <QKeyEvent>
#include <QSignalSpy>
#include <QTest>

#include <atomic>
#include <chrono>
#include <functional>
#include <thread>

namespace testsupport {

// Until the running export has ended and the window is back to editing; true at
// once when none runs. The bound is generous: it only keeps a broken export
// from hanging the test.
inline bool WaitForExport(CExportCommands& exports)
{
    if (!exports.Running())
        return true;
    QSignalSpy ended(&exports, &CExportCommands::finished);
    return ended.wait(120000);
}

// Runs `command`, which starts an export; holds the export after its progress
// step `step` until a key pressed in `window` (as a person presses one, on the
// window thread) has asked it to stop, and waits for its end. False when the
// export never reached the step or did not end.
inline bool StopWithAKeyAfterStep(CExportCommands& exports, QWidget* window, int step,
                                  const std::function<void()>& command)
{
    ExportWorker& worker = exports.Worker();
    std::atomic<bool> reached{false};
    worker.SetStepHook([&worker, &reached, step](int done, int) {
        if (done != step)
            return;
        reached = true;
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
        while (!worker.StopRequested() && std::chrono::steady_clock::now() < deadline)
            std::this_thread::yield();
    });
    command();
    const bool held = QTest::qWaitFor([&] { return reached.load() || !exports.Running(); }, 120000) && reached;
    if (held)
        QCoreApplication::postEvent(window,
                                    new QKeyEvent(QEvent::KeyPress, Qt::Key_A, Qt::NoModifier, QStringLiteral("a")));
    const bool ended = WaitForExport(exports);
    worker.SetStepHook({});
    return held && ended;
}

}  // namespace testsupport
