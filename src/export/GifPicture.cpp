#include "export/GifPicture.h"

#include "export/GifFile.h"
#include "export/GifPalette.h"

#include <new>
#include <vector>

bool WriteGifPicture(const std::string& path, const PackedPicture& picture)
{
    if (picture.Empty() || picture.Width() < 1 || picture.Height() < 1 || picture.Width() > GifFile::kMaxSize ||
        picture.Height() > GifFile::kMaxSize ||
        picture.Bits().size() < size_t(picture.Height()) * size_t(picture.Stride()))
        return false;
    try {
        const GifPalette palette = BuildGifPalette(picture);
        GifColourMatcher matcher(palette);
        std::vector<uint8_t> indexes;
        matcher.MapPicture(picture, indexes);

        GifFile file;
        if (!file.Create(path, palette, picture.Width(), picture.Height(), /*loop=*/false))
            return false;
        return file.AddFrame(indexes.data(), 0) && file.Close();
    } catch (const std::bad_alloc&) {
        return false;
    }
}
