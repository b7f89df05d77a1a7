#include "export/ExportAnimation.h"

#include <memory>
#include <vector>

ExportAnimation::ExportAnimation(const KeyframeStore& keys, const WorkPicture& work)
{
    std::vector<std::unique_ptr<CMMask>> copies;
    copies.reserve(size_t(keys.Count()));
    for (int i = 0; i < keys.Count(); ++i) {
        auto key = std::make_unique<CMMask>(keys.Key(i));
        std::vector<uint8_t>().swap(key->Thumbnail());  // frames never need them
        copies.push_back(std::move(key));
    }
    m_keys.Assign(std::move(copies), keys.ThumbHeader());
    if (work.HasPicture())
        m_picture.SetPicture(work.Source());
}
