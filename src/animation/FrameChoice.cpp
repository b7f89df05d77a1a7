#include "animation/FrameChoice.h"

#include <algorithm>
#include <charconv>
#include <stdexcept>

FrameChoice::FrameChoice(int total, int current) : m_nTotal(std::max(total, 0)), m_nTo(std::max(total - 1, 0))
{
    SetCurrent(current);
}

void FrameChoice::SetMode(int mode)
{
    m_nMode = std::clamp(mode, int(kCurrent), int(kList));
}

int FrameChoice::SetCurrent(int frame)
{
    m_nCurrent = std::clamp(frame, 0, std::max(m_nTotal - 1, 0));
    return m_nCurrent;
}

int FrameChoice::LeaveFrom(int value)
{
    m_nFrom = std::min(m_nTo, std::max(0, value));
    return m_nFrom;
}

int FrameChoice::LeaveTo(int value)
{
    m_nTo = std::min(m_nTotal, std::max(m_nFrom, value));
    return m_nTo;
}

int FrameChoice::AddCurrent()
{
    const auto at = std::lower_bound(m_list.begin(), m_list.end(), m_nCurrent);
    if (at != m_list.end() && *at == m_nCurrent)
        return -1;
    const int index = int(at - m_list.begin());
    m_list.insert(at, m_nCurrent);
    return index;
}

void FrameChoice::RemoveAt(int index)
{
    if (index >= 0 && index < int(m_list.size()))
        m_list.erase(m_list.begin() + index);
}

std::vector<int> FrameChoice::Result() const
{
    std::vector<int> frames;
    switch (m_nMode) {
    case kCurrent: frames.push_back(m_nCurrent); break;
    case kAll:
        for (int f = 0; f < m_nTotal; ++f)
            frames.push_back(f);
        break;
    case kRange:
        for (int f = m_nFrom; f <= m_nTo; ++f)
            frames.push_back(f);
        break;
    default: frames = m_list; break;
    }
    return frames;
}

std::vector<int> ParseFrameList(const std::string& text, int total)
{
    std::vector<int> frames;
    if (text == "all") {
        for (int f = 0; f < total; ++f)
            frames.push_back(f);
        return frames;
    }
    size_t pos = 0;
    while (pos < text.size()) {
        const size_t start = text.find_first_not_of(" ,\t", pos);
        if (start == std::string::npos)
            break;
        const size_t end = std::min(text.find_first_of(" ,\t", start), text.size());
        const std::string word = text.substr(start, end - start);
        int f = 0;
        const auto [ptr, ec] = std::from_chars(word.data(), word.data() + word.size(), f);
        if (ec != std::errc() || ptr != word.data() + word.size())
            throw std::invalid_argument("\"" + word + "\" is not a frame number");
        if (f < 0 || f >= total)
            throw std::invalid_argument(word + " is outside the loop's frames 0 to " + std::to_string(total - 1));
        frames.push_back(f);
        pos = end;
    }
    if (frames.empty())
        throw std::invalid_argument("\"all\" or a list of frame numbers");
    std::sort(frames.begin(), frames.end());
    frames.erase(std::unique(frames.begin(), frames.end()), frames.end());
    return frames;
}
