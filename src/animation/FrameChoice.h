#pragma once
// The choice of animation frames for saving pictures and printing: the
// current frame, all frames, a range or a list, with the limits the frame
// dialog keeps. The dialog shows it; the command line parses its list form.

#include <string>
#include <vector>

class FrameChoice {
public:
    enum Mode { kCurrent = 0, kAll = 1, kRange = 2, kList = 3 };

    // A loop of `total` frames with `current` as the frame shown first; the
    // range covers the whole loop.
    FrameChoice(int total, int current);

    int Total() const { return m_nTotal; }
    int GetMode() const { return m_nMode; }
    void SetMode(int mode);

    int Current() const { return m_nCurrent; }
    // Limited to 0 .. total - 1; returns the value kept.
    int SetCurrent(int frame);

    int From() const { return m_nFrom; }
    int To() const { return m_nTo; }
    // The range edits losing the focus: from stays within 0 .. to, to within
    // from .. total (the end may stand one past the last frame, which shows
    // frame 0 again).
    int LeaveFrom(int value);
    int LeaveTo(int value);

    // The list stays ascending and holds every frame once. Returns the index
    // of the added entry, -1 when the frame was there already.
    int AddCurrent();
    void RemoveAt(int index);
    const std::vector<int>& List() const { return m_list; }

    // The frames the choice stands for, in order.
    std::vector<int> Result() const;

private:
    int m_nTotal;
    int m_nMode = kCurrent;
    int m_nCurrent = 0;
    int m_nFrom = 0;
    int m_nTo = 0;
    std::vector<int> m_list;
};

// "all", or frame numbers separated by spaces or commas: ascending, each once,
// each inside 0 .. total - 1. std::invalid_argument names the word at fault.
std::vector<int> ParseFrameList(const std::string& text, int total);
