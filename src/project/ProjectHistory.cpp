#include "project/ProjectHistory.h"

#include "animation/MapCompression.h"
#include "project/Project.h"

#include <QSignalBlocker>

#include <algorithm>
#include <cstring>
#include <optional>
#include <utility>

namespace {

// What a vector really holds: its capacity, not its size.
template <typename T>
size_t HeldBytes(const std::vector<T>& v)
{
    return v.capacity() * sizeof(T);
}

// A shared block: its buffer, the vector and the control block it shares an
// allocation with (a table pointer and two counts).
size_t BlockBytes(const std::vector<uint8_t>& block)
{
    return HeldBytes(block) + sizeof(block) + 2 * sizeof(void*);
}

std::span<const uint8_t> BytesOf(const std::vector<Displacement>& v)
{
    return {reinterpret_cast<const uint8_t*>(v.data()), v.size() * sizeof(Displacement)};
}

PackedBytes Share(std::vector<uint8_t> bytes)
{
    return std::make_shared<const std::vector<uint8_t>>(std::move(bytes));
}

// The elements of `rect` of a map of width W, row by row.
std::vector<Displacement> CopyMapRect(const Displacement* map, int W, const MapRect& rect)
{
    const int w = rect.right - rect.left;
    std::vector<Displacement> out;
    out.reserve(size_t(w) * size_t(rect.bottom - rect.top));
    for (int y = rect.top; y < rect.bottom; ++y) {
        const Displacement* row = map + size_t(y) * size_t(W) + size_t(rect.left);
        out.insert(out.end(), row, row + w);
    }
    return out;
}

PackedKeyframe PackKeyframe(const CMMask& key)
{
    PackedKeyframe packed;
    packed.width = key.Width();
    packed.height = key.Height();
    packed.duration = key.Duration();
    packed.map = key.PackedMap();
    packed.thumb = key.PackedThumbnail();
    packed.thumbBytes = key.Thumbnail().size();
    return packed;
}

std::unique_ptr<CMMask> UnpackKeyframe(const PackedKeyframe& packed)
{
    auto key = std::make_unique<CMMask>(packed.width, packed.height, packed.thumbBytes);
    std::vector<Displacement>& map = key->Map();
    UnpackBlock(*packed.map, {reinterpret_cast<uint8_t*>(map.data()), map.size() * sizeof(Displacement)});
    UnpackBlock(*packed.thumb, key->Thumbnail());
    key->SetPacked(packed.map, packed.thumb);
    return key;
}

bool SamePicture(const WorkPictureFile& a, const WorkPictureFile& b)
{
    return a.Path() == b.Path() && a.Picture().Source() == b.Picture().Source();
}

bool SameBytes(const PackedBytes& a, const PackedBytes& b)
{
    return a == b || *a == *b;
}

// The keyframes' maps and durations are equal (thumbnails follow the maps;
// which keyframe is selected or edited is no change of the document).
bool SameKeyframes(const DocumentState& a, const DocumentState& b)
{
    return std::equal(a.keys.begin(), a.keys.end(), b.keys.begin(), b.keys.end(),
                      [](const PackedKeyframe& x, const PackedKeyframe& y) {
                          return x.width == y.width && x.height == y.height && x.duration == y.duration &&
                                 SameBytes(x.map, y.map);
                      });
}

}  // namespace

// Every step can give up its contents when the history runs over its budget.
// What a step keeps is counted in its history from its making until it gives
// its contents up or is deleted.
class HistoryStep : public QUndoCommand {
public:
    HistoryStep(ProjectHistory& history, const QString& text, size_t ownBytes, std::vector<PackedBytes> blocks)
            : QUndoCommand(text), m_history(history), m_nOwnBytes(ownBytes), m_blocks(std::move(blocks))
    {
        m_nOwnBytes += HeldBytes(m_blocks);
        m_history.Hold(m_nOwnBytes, m_blocks);
    }
    ~HistoryStep() override { m_history.Unhold(m_nOwnBytes, m_blocks); }
    HistoryStep(const HistoryStep&) = delete;
    HistoryStep& operator=(const HistoryStep&) = delete;

    void Release()
    {
        m_history.Unhold(m_nOwnBytes, m_blocks);
        m_nOwnBytes = 0;
        m_blocks = {};
        ReleaseContents();
    }

protected:
    virtual void ReleaseContents() = 0;
    // The step is pushed after its change was made: its first redo has nothing to do.
    bool FirstRedo()
    {
        const bool first = m_bFirst;
        m_bFirst = false;
        return first;
    }

    ProjectHistory& m_history;

private:
    size_t m_nOwnBytes;
    std::vector<PackedBytes> m_blocks;
    bool m_bFirst = true;
};

size_t DocumentState::OwnBytes() const
{
    size_t bytes = sizeof(DocumentState) + HeldBytes(keys) + storedPath.capacity() + resolvedPath.capacity();
    if (work) {
        const WorkPicture& picture = work->Picture();
        bytes += sizeof(WorkPictureFile) + HeldBytes(picture.Source().Bits()) + HeldBytes(picture.Display().Bits()) +
                 HeldBytes(picture.Scratch()) + work->Path().capacity();
        // The photograph kept for magnified views goes with the step too.
        if (const std::shared_ptr<const PackedPicture> detail = work->Detail())
            bytes += HeldBytes(detail->Bits());
    }
    if (mask)
        bytes += sizeof(FreezeMask) + HeldBytes(mask->Values()) + 2 * sizeof(void*);
    return bytes;
}

void DocumentState::AddBlocks(std::vector<PackedBytes>& blocks) const
{
    for (const PackedKeyframe& key : keys) {
        blocks.push_back(key.map);
        blocks.push_back(key.thumb);
    }
}

MapRect ChangedMapRect(const Displacement* a, const Displacement* b, int W, int H)
{
    MapRect rect{W, H, 0, 0};
    for (int y = 0; y < H; ++y) {
        const Displacement* ra = a + size_t(y) * size_t(W);
        const Displacement* rb = b + size_t(y) * size_t(W);
        if (std::memcmp(ra, rb, size_t(W) * sizeof(Displacement)) == 0)
            continue;
        int left = 0;
        while (ra[left] == rb[left])
            ++left;
        int right = W;
        while (ra[right - 1] == rb[right - 1])
            --right;
        rect.left = std::min(rect.left, left);
        rect.right = std::max(rect.right, right);
        rect.top = std::min(rect.top, y);
        rect.bottom = y + 1;
    }
    if (rect.Empty())
        return {};
    return rect;
}

// A change of one keyframe's map, kept as the changed rectangle before and after.
class MapEditStep : public HistoryStep {
public:
    MapEditStep(ProjectHistory& history, const QString& text, int key, const MapRect& rect, PackedBytes before,
                PackedBytes after)
            : HistoryStep(history, text, sizeof(MapEditStep), {before, after}), m_nKey(key), m_rect(rect),
              m_before(std::move(before)), m_after(std::move(after))
    {}
    void undo() override { m_history.ApplyMapRect(m_nKey, m_rect, *m_before); }
    void redo() override
    {
        if (!FirstRedo())
            m_history.ApplyMapRect(m_nKey, m_rect, *m_after);
    }

private:
    void ReleaseContents() override
    {
        m_before.reset();
        m_after.reset();
    }

    int m_nKey;
    MapRect m_rect;
    PackedBytes m_before;
    PackedBytes m_after;
};

// A change of the keyframes, the strip or the picture, kept as the whole
// document before and after.
class DocumentEditStep : public HistoryStep {
public:
    DocumentEditStep(ProjectHistory& history, const QString& text, DocumentState before, DocumentState after)
            : HistoryStep(history, text, sizeof(DocumentEditStep) + before.OwnBytes() + after.OwnBytes(),
                          Blocks(before, after)),
              m_before(std::move(before)), m_after(std::move(after))
    {}
    void undo() override { m_history.ApplyDocument(m_before); }
    void redo() override
    {
        if (!FirstRedo())
            m_history.ApplyDocument(m_after);
    }

private:
    static std::vector<PackedBytes> Blocks(const DocumentState& before, const DocumentState& after)
    {
        std::vector<PackedBytes> blocks;
        blocks.reserve(2 * (before.keys.size() + after.keys.size()));
        before.AddBlocks(blocks);
        after.AddBlocks(blocks);
        return blocks;
    }
    void ReleaseContents() override
    {
        m_before = {};
        m_after = {};
    }

    DocumentState m_before;
    DocumentState m_after;
};

// A change of the freeze mask, kept whole before and after (compressed; an
// empty mask is 0 x 0).
class MaskEditStep : public HistoryStep {
public:
    struct Packed {
        int width = 0;
        int height = 0;
        PackedBytes values;
    };
    MaskEditStep(ProjectHistory& history, const QString& text, Packed before, Packed after)
            : HistoryStep(history, text, sizeof(MaskEditStep), {before.values, after.values}),
              m_before(std::move(before)), m_after(std::move(after))
    {}
    void undo() override { Apply(m_before); }
    void redo() override
    {
        if (!FirstRedo())
            Apply(m_after);
    }

private:
    void Apply(const Packed& state)
    {
        if (state.values)
            m_history.ApplyMask(state.width, state.height, *state.values);
    }
    void ReleaseContents() override
    {
        m_before.values.reset();
        m_after.values.reset();
    }

    Packed m_before;
    Packed m_after;
};

ProjectHistory::ProjectHistory(Project& project, size_t budget) : m_project(project), m_nBudget(budget) {}

ProjectHistory::~ProjectHistory()
{
    // The steps go while the history is whole; no one hears of it.
    const QSignalBlocker quiet(m_stack);
    m_stack.clear();
}

// ---------------------------------------------------------------------------
// Recording

void ProjectHistory::BeginMapEdit()
{
    m_pMapBefore.reset();
    const KeyframeStore& keys = m_project.Keys();
    if (m_bReplaying || keys.Active() < 0 || keys.Active() >= keys.Count())
        return;
    m_nMapKey = keys.Active();
    m_pMapBefore = std::make_unique<std::vector<Displacement>>(keys.Key(m_nMapKey).Map());
}

void ProjectHistory::EndMapEdit(const QString& text)
{
    const std::unique_ptr<std::vector<Displacement>> before = std::move(m_pMapBefore);
    const KeyframeStore& keys = m_project.Keys();
    if (!before || m_bReplaying || m_nMapKey >= keys.Count())
        return;
    const CMMask& key = keys.Key(m_nMapKey);
    if (key.Map().size() != before->size())
        return;  // the keyframe was resized meanwhile: nothing to compare
    const MapRect rect = ChangedMapRect(before->data(), key.Map().data(), key.Width(), key.Height());
    if (rect.Empty())
        return;
    PackedBytes packedBefore = Share(PackBlock(BytesOf(CopyMapRect(before->data(), key.Width(), rect))));
    PackedBytes packedAfter = Share(PackBlock(BytesOf(CopyMapRect(key.Map().data(), key.Width(), rect))));
    Push(new MapEditStep(*this, text, m_nMapKey, rect, std::move(packedBefore), std::move(packedAfter)));
}

void ProjectHistory::DistrustShownMap()
{
    const WorkPicture& picture = m_project.Picture();
    KeyframeStore& keys = m_project.Keys();
    for (int i = 0; picture.HasMap() && i < keys.Count(); ++i) {
        if (std::as_const(keys).Key(i).Map().data() == picture.Map().data)
            keys.Key(i).ForgetPackedMap();
    }
}

DocumentState ProjectHistory::CaptureDocument() const
{
    const KeyframeStore& keys = m_project.Keys();
    DocumentState state;
    state.keys.reserve(size_t(keys.Count()));
    for (int i = 0; i < keys.Count(); ++i)
        state.keys.push_back(PackKeyframe(keys.Key(i)));
    state.thumbHeader = keys.ThumbHeader();
    state.firstVisible = keys.FirstVisible();
    state.selected = keys.Selected();
    state.active = keys.Active();
    state.storedPath = m_project.m_storedPath;
    state.resolvedPath = m_project.m_resolvedPath;
    return state;
}

void ProjectHistory::BeginDocumentEdit()
{
    m_pDocumentBefore.reset();
    if (m_bReplaying)
        return;
    DistrustShownMap();
    m_pDocumentBefore = std::make_unique<DocumentState>(CaptureDocument());
    m_pDocumentBefore->work = std::make_shared<const WorkPictureFile>(m_project.m_work);
    m_pDocumentBefore->mask = std::make_shared<const FreezeMask>(m_project.m_mask);
}

void ProjectHistory::EndDocumentEdit(const QString& text)
{
    const std::unique_ptr<DocumentState> before = std::move(m_pDocumentBefore);
    if (!before || m_bReplaying)
        return;
    DistrustShownMap();
    DocumentState after = CaptureDocument();
    if (SamePicture(*before->work, m_project.m_work)) {
        // A command that changed nothing (a cancelled duration, activating a
        // keyframe) leaves no step.
        if (SameKeyframes(*before, after))
            return;
        // Only a step that changed the picture keeps it.
        before->work.reset();
        before->mask.reset();
    } else {
        after.work = std::make_shared<const WorkPictureFile>(m_project.m_work);
        after.mask = std::make_shared<const FreezeMask>(m_project.m_mask);
    }
    Push(new DocumentEditStep(*this, text, std::move(*before), std::move(after)));
}

void ProjectHistory::BeginMaskEdit()
{
    m_pMaskBefore.reset();
    if (!m_bReplaying)
        m_pMaskBefore = std::make_unique<FreezeMask>(m_project.m_mask);
}

void ProjectHistory::EndMaskEdit(const QString& text)
{
    const std::unique_ptr<FreezeMask> before = std::move(m_pMaskBefore);
    if (!before || m_bReplaying || *before == m_project.m_mask)
        return;
    auto pack = [](const FreezeMask& mask) {
        return MaskEditStep::Packed{mask.Width(), mask.Height(), Share(PackBlock(mask.Values()))};
    };
    Push(new MaskEditStep(*this, text, pack(*before), pack(m_project.m_mask)));
}

void ProjectHistory::CancelEdit()
{
    m_pMapBefore.reset();
    m_pDocumentBefore.reset();
    m_pMaskBefore.reset();
}

void ProjectHistory::Push(QUndoCommand* step)
{
    // Pushing deletes the steps that could be redone; they give back what they held.
    m_stack.push(step);
    KeepWithinBudget();
}

void ProjectHistory::Hold(size_t ownBytes, const std::vector<PackedBytes>& blocks)
{
    m_nBytes += ownBytes;
    for (const PackedBytes& block : blocks) {
        if (++m_blockUsers[block.get()] == 1)
            m_nBytes += BlockBytes(*block);
    }
}

void ProjectHistory::Unhold(size_t ownBytes, const std::vector<PackedBytes>& blocks)
{
    m_nBytes -= ownBytes;
    for (const PackedBytes& block : blocks) {
        const auto it = m_blockUsers.find(block.get());
        if (--it->second == 0) {
            m_nBytes -= BlockBytes(*block);
            m_blockUsers.erase(it);
        }
    }
}

void ProjectHistory::SetBudget(size_t budget)
{
    m_nBudget = budget;
    KeepWithinBudget();
}

void ProjectHistory::KeepWithinBudget()
{
    // The newest step always stays.
    while (m_nBytes > m_nBudget && m_nFloor < m_stack.index() - 1) {
        // The stack owns its steps and hands them out only as const; giving
        // up a step's contents is the history's own business.
        auto* step = const_cast<HistoryStep*>(static_cast<const HistoryStep*>(m_stack.command(m_nFloor)));
        step->Release();
        ++m_nFloor;
    }
}

// ---------------------------------------------------------------------------
// Undoing

void ProjectHistory::Undo()
{
    if (CanUndo())
        Replay(&QUndoStack::undo);
}

void ProjectHistory::Redo()
{
    if (CanRedo())
        Replay(&QUndoStack::redo);
}

void ProjectHistory::Replay(void (QUndoStack::*step)())
{
    // An edit under way would record what the replay changes.
    if (Recording())
        return;
    m_bReplaying = true;
    (m_stack.*step)();
    m_bReplaying = false;
}

void ProjectHistory::Clear()
{
    m_stack.clear();  // every step gives back what it held
    m_nFloor = 0;
    CancelEdit();
}

void ProjectHistory::ApplyMapRect(int key, const MapRect& rect, const std::vector<uint8_t>& packed)
{
    KeyframeStore& keys = m_project.Keys();
    if (key >= keys.Count())
        return;
    CMMask& target = keys.Key(key);
    const int w = rect.right - rect.left;
    std::vector<Displacement> values(size_t(w) * size_t(rect.bottom - rect.top));
    UnpackBlock(packed, {reinterpret_cast<uint8_t*>(values.data()), values.size() * sizeof(Displacement)});
    for (int y = rect.top; y < rect.bottom; ++y)
        std::copy_n(values.begin() + std::ptrdiff_t(y - rect.top) * w, w,
                    target.Map().begin() + std::ptrdiff_t(y) * target.Width() + rect.left);
    // The keyframe that changed is the one shown and edited.
    keys.SetSelected(key);
    keys.SetActive(key);
    m_project.MakeActiveKeyCurrent();
}

std::vector<std::unique_ptr<CMMask>> ProjectHistory::RestoreKeyframes(const DocumentState& state)
{
    DistrustShownMap();
    KeyframeStore& store = m_project.Keys();
    // First, without changing anything: which keyframe of the document each
    // one of the state can be (each at most once), and what must be unpacked.
    struct Restored {
        int reuse = -1;
        std::unique_ptr<CMMask> unpacked;
        std::optional<std::vector<uint8_t>> thumb;
    };
    std::vector<Restored> restored(state.keys.size());
    std::vector<bool> used(size_t(store.Count()), false);
    for (size_t i = 0; i < state.keys.size(); ++i) {
        const PackedKeyframe& packed = state.keys[i];
        for (int k = 0; k < store.Count() && restored[i].reuse < 0; ++k) {
            const CMMask& key = std::as_const(store).Key(k);
            if (!used[size_t(k)] && key.Width() == packed.width && key.Height() == packed.height &&
                key.MapPackedAs(packed.map)) {
                used[size_t(k)] = true;
                restored[i].reuse = k;
                if (!key.ThumbnailPackedAs(packed.thumb)) {
                    restored[i].thumb.emplace(packed.thumbBytes, uint8_t(0));
                    UnpackBlock(*packed.thumb, *restored[i].thumb);
                }
            }
        }
        if (restored[i].reuse < 0)
            restored[i].unpacked = UnpackKeyframe(packed);
    }
    // Then the keyframes change hands.
    std::vector<std::unique_ptr<CMMask>> current = store.TakeKeys();
    std::vector<std::unique_ptr<CMMask>> keys;
    keys.reserve(state.keys.size());
    for (size_t i = 0; i < state.keys.size(); ++i) {
        Restored& r = restored[i];
        keys.push_back(r.reuse >= 0 ? std::move(current[size_t(r.reuse)]) : std::move(r.unpacked));
        if (r.thumb) {
            keys.back()->Thumbnail() = std::move(*r.thumb);
            keys.back()->SetPacked(state.keys[i].map, state.keys[i].thumb);
        }
        keys.back()->SetDuration(state.keys[i].duration);
    }
    return keys;
}

void ProjectHistory::ApplyDocument(const DocumentState& state)
{
    if (state.work) {
        WorkPicture& picture = m_project.Picture();
        CTool* tool = picture.ActiveTool();
        m_project.m_work = *state.work;
        m_project.Picture().SetHost(&m_project);
        m_project.Picture().DetachMap();
        m_project.Picture().SetActiveTool(tool);
        m_project.PrepareActiveTool();
        m_project.m_storedPath = state.storedPath;
        m_project.m_resolvedPath = state.resolvedPath;
        if (state.mask)
            m_project.m_mask = *state.mask;
        m_project.AttachMask();
    }
    std::vector<std::unique_ptr<CMMask>> keys = RestoreKeyframes(state);
    KeyframeStore& store = m_project.Keys();
    store.Assign(std::move(keys), state.thumbHeader);
    store.SetFirstVisible(state.firstVisible);
    store.SetSelected(state.selected);
    store.SetActive(state.active);
    if (state.active >= 0 && state.active < store.Count())
        m_project.MakeActiveKeyCurrent();
    else
        m_project.Picture().DetachMap();
    m_project.DocumentRestored();
}

void ProjectHistory::ApplyMask(int width, int height, const std::vector<uint8_t>& packed)
{
    std::vector<uint8_t> values(size_t(width) * size_t(height), uint8_t(0));
    UnpackBlock(packed, values);
    m_project.m_mask = FreezeMask(width, height, std::move(values));
    m_project.MaskChanged();
}
