#pragma once
// Decodes the optional splash animation (any video FFmpeg reads) frame by
// frame, starting over at the end so that it plays in a loop.

#include <QImage>
#include <QString>

#include <memory>

class SplashAnimation {
public:
    SplashAnimation();
    ~SplashAnimation();
    SplashAnimation(const SplashAnimation&) = delete;
    SplashAnimation& operator=(const SplashAnimation&) = delete;

    // Opens a video file; false (and nothing open) when it cannot be decoded.
    bool Open(const QString& path);
    bool IsOpen() const;
    // The next frame, going back to the first after the last; null on failure.
    QImage NextFrame();
    // Milliseconds between frames (40 when the file does not say).
    int FrameInterval() const;
    QSize FrameSize() const;

private:
    struct Impl;
    std::unique_ptr<Impl> m_impl;
};

// The animation file of a program: its path with the last three characters
// replaced by "avi" when it ends in a three-letter extension, else with
// ".avi" appended (program files on Linux have no extension).
QString SplashAnimationPath(const QString& programPath);
