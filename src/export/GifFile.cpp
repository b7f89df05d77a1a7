#include "export/GifFile.h"

#include "project/AtomicFile.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <random>
#include <sys/stat.h>
#include <unistd.h>

namespace {

void Put16(std::vector<uint8_t>& out, int value)
{
    out.push_back(uint8_t(value & 0xFF));
    out.push_back(uint8_t((value >> 8) & 0xFF));
}

// Creates a new file beside path under a name nobody else uses ("wx" refuses existing files).
std::FILE* OpenTemporary(const std::string& path, std::string& tempPath)
{
    std::random_device rd;
    for (int attempt = 0; attempt < 16; ++attempt) {
        char suffix[32];
        std::snprintf(suffix, sizeof suffix, ".%08x.part", unsigned(rd()));
        tempPath = path + suffix;
        if (std::FILE* f = std::fopen(tempPath.c_str(), "wbx"))
            return f;
        if (errno != EEXIST)
            break;
    }
    tempPath.clear();
    return nullptr;
}

}  // namespace

GifFile::~GifFile() { Discard(); }

bool GifFile::Create(const std::string& path, const GifPalette& palette, int width, int height, bool loop)
{
    Discard();
    m_error = {};
    if (width < 1 || width > kMaxSize || height < 1 || height > kMaxSize) {
        m_error = {0, "a GIF picture is at most 65535 pixels wide and high"};
        return false;
    }
    m_file = OpenTemporary(path, m_tempPath);
    if (!m_file) {
        Fail(errno, "cannot create a file in the folder");
        return false;
    }
    // The finished file keeps the permissions of the file it replaces.
    ::fchmod(fileno(m_file), PermissionsForReplacing(path));
    m_path = path;
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
        const uint8_t extension[19] = {0x21, 0xFF, 0x0B, 'N', 'E', 'T', 'S', 'C', 'A', 'P',
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
    if (std::fwrite(bytes.data(), 1, bytes.size(), m_file) != bytes.size())
        Fail(errno, "write");
}

void GifFile::Fail(int error, const char* step)
{
    if (!m_failed || m_error.what.empty())
        m_error = {error, std::string(step) + (error ? std::string(": ") + std::strerror(error) : std::string())};
    m_failed = true;
}

bool GifFile::Close()
{
    if (!m_file)
        return false;
    Write(std::vector<uint8_t>{0x3B});
    if (!m_failed && std::fflush(m_file) != 0)
        Fail(errno, "write");
    if (!m_failed && ::fsync(fileno(m_file)) != 0)
        Fail(errno, "flush to disk");
    if (std::fclose(m_file) != 0 && !m_failed)
        Fail(errno, "close");
    m_file = nullptr;
    if (!m_failed && std::rename(m_tempPath.c_str(), m_path.c_str()) != 0)
        Fail(errno, "rename");
    if (m_failed) {
        std::remove(m_tempPath.c_str());
        m_tempPath.clear();
        m_failed = true;
        return false;
    }
    m_tempPath.clear();
    return true;
}

void GifFile::Discard()
{
    if (m_file) {
        std::fclose(m_file);
        m_file = nullptr;
    }
    if (!m_tempPath.empty()) {
        std::remove(m_tempPath.c_str());
        m_tempPath.clear();
    }
}
