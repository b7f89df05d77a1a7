#pragma once
// Reading picture files into packed pictures and writing packed pictures out as
// JPEG, BMP, GIF, TIFF or PNG.

#include "engine/PackedPicture.h"
#include "io/FileError.h"

#include <QSize>

#include <cstdint>
#include <optional>
#include <span>
#include <string>

class AtomicFileBatch;
class QImage;

// Picture files larger than this are not read.
inline constexpr uint64_t kMaxPictureFileBytes = uint64_t(2) << 30;

// A picture whose pixels would take more memory than the decoder's limit.
class PictureTooLargeError : public FileError {
public:
    PictureTooLargeError(std::string path, int width, int height, uint64_t maxPixels);
    int Width() const { return m_nWidth; }
    int Height() const { return m_nHeight; }
    // The most pixels a picture of its kind may have.
    uint64_t MaxPixels() const { return m_nMaxPixels; }

private:
    int m_nWidth;
    int m_nHeight;
    uint64_t m_nMaxPixels;
};

// What reading a picture found beside its pixels.
struct PictureLoadNotes {
    // The file ends before its format's end: the decoder filled in what it lacks.
    bool incomplete = false;
};

// Reads and decodes the whole regular file at `path` (the file name's bytes). Any format the installed
// image plugins decode is accepted; a multi-frame file yields its first frame.
// The result is 24-bit, bottom-up, without alpha. Decoding takes no more memory
// than the larger of the decoded picture and the result (the file's bytes aside).
// Returns nothing when the file opens but cannot be decoded. Throws FileError
// (export/FileError.h) when the file cannot be opened or read, or when it is
// cut short and nothing can be decoded ("the file ends too early"), and
// PictureTooLargeError when its pixels would take more memory than the
// decoder's limit (about 1.1 GB). `notes`, when given, says what else was found.
std::optional<PackedPicture> LoadPictureFile(const std::string& path, PictureLoadNotes* notes = nullptr);

// The error of a picture file that opens but cannot be decoded.
FileError UndecodablePicture(const std::string& path);

// The width and height LoadPictureFile gives the file at `path`, from the
// decoder's header when it tells them, else by decoding. Throws FileError as
// LoadPictureFile does, and UndecodablePicture when it would give nothing.
QSize PictureFileSize(const std::string& path);

// Sets the decoder's memory limit LoadPictureFile works with. The limit is
// shared by all threads: a thread that starts decoding on another sets it first.
void SetPictureDecodeLimit();

// Converts a decoded image into a packed picture, row by row; the resolution
// fields are taken from the image's dots per metre (see PelsPerMeterFromDpm).
PackedPicture PackedPictureFromImage(const QImage& image);

namespace reference {
// The same through one conversion of the whole image to 32-bit ARGB.
PackedPicture PackedPictureFromImage(const QImage& image);
}  // namespace reference

// The header's resolution for a file stated at `dpi` dots per inch:
// dpi x 100 in single precision, divided by 2.54 in double precision, truncated.
int32_t PelsPerMeterFromDpi(int dpi);
// The same for a decoded image's dots per metre: the file's dpi is recovered by
// rounding, then converted as above.
int32_t PelsPerMeterFromDpm(int dotsPerMeter);

struct PictureSaveResult {
    enum class Status {
        Saved,
        UnsupportedType,  // extension not in the table, or no encoder installed: no message
        WriteFailed,      // the caller shows string 147
    };
    Status status = Status::WriteFailed;
    std::string detail;                                  // the file and what failed
    FileError::Cause cause = FileError::Cause::Generic;  // DiskFull: show string 1046

    explicit operator bool() const { return status == Status::Saved; }
    // True when the user should see string 147.
    bool ShouldReport() const { return status == Status::WriteFailed; }
};

// The encoder's format name for `path`'s extension: "jpeg", "bmp", "gif",
// "tiff", "png", or empty when the upper-cased extension is not exactly one of
// ".JPG", ".BMP", ".GIF", ".TIF", ".PNG".
std::string PictureFormatForPath(const std::string& path);

// The JPEG quality every save uses.
inline constexpr int kJpegQuality = 90;

// Writes header.biWidth x header.biHeight pixels (bottom-up rows of
// PictureStride(width) bytes; only width and height of the header are read) to
// `path` with the encoder chosen by its extension. The file is written next to
// the target under a temporary name and renamed over it only when complete, so
// a failed save leaves an existing file untouched. With a batch, the file takes
// its name when the batch is finished (AtomicFileBatch).
PictureSaveResult SavePicture(const std::string& path, const BITMAPINFOHEADER& header, std::span<const uint8_t> pixels,
                              AtomicFileBatch* batch = nullptr);
PictureSaveResult SavePicture(const std::string& path, const PackedPicture& picture);
