#include "export/GifPicture.h"

#include <cerrno>

#include "export/GifFile.h"
#include "export/GifPalette.h"

#include <new>
#include <vector>

bool WriteGifPicture(const std::string& path, const PackedPicture& picture, GifWriteError* error,
                     AtomicFileBatch* batch)
{
    GifWriteError ignored;
    GifWriteError& why = error ? *error : ignored;
    if (picture.Empty() || picture.Width() < 1 || picture.Height() < 1 || picture.Width() > GifFile::kMaxSize ||
        picture.Height() > GifFile::kMaxSize ||
        picture.Bits().size() < size_t(picture.Height()) * size_t(picture.Stride())) {
        why = {0, "a GIF picture is 1 to 65535 pixels wide and high"};
        return false;
    }
    try {
        const GifPalette palette = BuildGifPalette(picture);
        GifColourMatcher matcher(palette);
        std::vector<uint8_t> indexes;
        matcher.MapPicture(picture, indexes);

        GifFile file;
        const bool written = file.Create(path, palette, picture.Width(), picture.Height(), /*loop=*/false) &&
                             file.AddFrame(indexes.data(), 0) && file.Close(batch);
        if (!written)
            why = file.LastError();
        return written;
    } catch (const std::bad_alloc&) {
        why = {ENOMEM, "out of memory"};
        return false;
    }
}
