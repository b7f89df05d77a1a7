#include "export/GifFile.h"

#include <algorithm>

namespace {

void Put16(std::vector<uint8_t>& out, int value)
{
    out.push_back(uint8_t(value & 0xFF));
    out.push_back(uint8_t((value >> 8) & 0xFF));
}

}  // namespace

GifFile::~GifFile()
{
    Discard();
}

bool GifFile::Create(const std::string& path, const GifPalette& palette, int width, int height, bool loop)
{
    Discard();
    m_error = {};
    if (width < 1 || width > kMaxSize || height < 1 || height > kMaxSize) {
        m_error = {0, "a GIF picture is at most 65535 pixels wide and high"};
        return false;
    }
    m_file = std::make_unique<AtomicFile>(path);
    if (!m_file->IsOpen()) {
        m_error = {m_file->Error(), m_file->Failure()};
        m_file.reset();
        return false;
    }
    m_width = width;
    m_height = height;
    m_failed = false;

    std::vector<uint8_t> header;
    header.reserve(13 + 3 * palette.size() + 19);
    const char* signature = "GIF89a";
    header.insert(header.end(), signature, signature + 6);
    Put16(header, width);
    Put16(header, height);
    header.push_back(0xF7);  // global colour table of 256 entries, 8-bit colour resolution
    header.push_back(0);     // background colour index
    header.push_back(0);     // pixel aspect ratio
    for (const PaletteEntry& e : palette) {
        header.push_back(e.red);
        header.push_back(e.green);
        header.push_back(e.blue);
    }
    if (loop) {
        const uint8_t extension[19] = {0x21, 0xFF, 0x0B, 'N', 'E',  'T',  'S',  'C',  'A', 'P',
                                       'E',  '2',  '.',  '0', 0x03, 0x01, 0x00, 0x00, 0x00};
        header.insert(header.end(), extension, extension + sizeof extension);
    }
    Write(header);
    return !m_failed;
}

bool GifFile::AddFrame(const uint8_t* indexes, int delay)
{
    return AddFrameRect(indexes, delay, GifRect{0, 0, m_width, m_height});
}

bool GifFile::AddFrameRect(const uint8_t* indexes, int delay, const GifRect& rect)
{
    if (!m_file || m_failed)
        return false;
    if (rect.left < 0 || rect.top < 0 || rect.right > m_width || rect.bottom > m_height || rect.Width() < 1 ||
        rect.Height() < 1)
        return false;
    delay = std::clamp(delay, 0, kMaxDelay);

    std::vector<uint8_t>& out = m_buffer;
    out.clear();
    // Graphic control extension: leave the frame in place, no transparency.
    const uint8_t control[4] = {0x21, 0xF9, 0x04, 0x04};
    out.insert(out.end(), control, control + 4);
    Put16(out, delay);
    out.push_back(0xFF);
    out.push_back(0x00);
    // Image descriptor.
    out.push_back(0x2C);
    Put16(out, rect.left);
    Put16(out, rect.top);
    Put16(out, rect.Width());
    Put16(out, rect.Height());
    out.push_back(0x07);
    m_encoder.Encode(indexes, size_t(rect.Width()) * size_t(rect.Height()), 8, out);
    out.push_back(0x00);
    Write(out);
    return !m_failed;
}

void GifFile::Write(const std::vector<uint8_t>& bytes)
{
    if (m_failed || !m_file)
        return;
    if (!m_file->Write(bytes))
        Fail(m_file->Error(), m_file->Failure());
}

void GifFile::Fail(int error, const std::string& what)
{
    if (!m_failed || m_error.what.empty())
        m_error = {error, what};
    m_failed = true;
}

bool GifFile::Close(AtomicFileBatch* batch)
{
    if (!m_file)
        return false;
    Write(std::vector<uint8_t>{0x3B});
    if (!m_failed && batch) {
        batch->Add(std::move(m_file));
        return true;
    }
    if (!m_failed && !m_file->Commit())
        Fail(m_file->Error(), m_file->Failure());
    m_file.reset();  // removes a file that did not take its name
    return !m_failed;
}

void GifFile::Discard()
{
    m_file.reset();
}
