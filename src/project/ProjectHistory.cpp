#include "project/ProjectHistory.h"

#include "animation/MapCompression.h"
#include "app/AppState.h"
#include "project/Project.h"

#include <algorithm>
#include <cstring>

namespace {

// What a vector really holds: its capacity, not its size.
template <typename T>
size_t HeldBytes(const std::vector<T>& v)
{
    return v.capacity() * sizeof(T);
}

std::span<const uint8_t> BytesOf(const std::vector<Displacement>& v)
{
    return {reinterpret_cast<const uint8_t*>(v.data()), v.size() * sizeof(Displacement)};
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
    packed.map = PackBlock(BytesOf(key.Map()));
    packed.thumb = PackBlock(key.Thumbnail());
    packed.thumbBytes = key.Thumbnail().size();
    return packed;
}

std::unique_ptr<CMMask> UnpackKeyframe(const PackedKeyframe& packed)
{
    auto key = std::make_unique<CMMask>(packed.width, packed.height, packed.thumbBytes);
    std::vector<Displacement>& map = key->Map();
    UnpackBlock(packed.map, {reinterpret_cast<uint8_t*>(map.data()), map.size() * sizeof(Displacement)});
    UnpackBlock(packed.thumb, key->Thumbnail());
    key->SetDuration(packed.duration);
    return key;
}

bool SamePicture(const WorkPictureFile& a, const WorkPictureFile& b)
{
    return a.Path() == b.Path() && a.Picture().Source() == b.Picture().Source();
}

// The keyframes' maps and durations are equal (thumbnails follow the maps;
// which keyframe is selected or edited is no change of the document).
bool SameKeyframes(const DocumentState& a, const DocumentState& b)
{
    return std::equal(a.keys.begin(), a.keys.end(), b.keys.begin(), b.keys.end(),
                      [](const PackedKeyframe& x, const PackedKeyframe& y) {
                          return x.width == y.width && x.height == y.height && x.duration == y.duration &&
                                 x.map == y.map;
                      });
}

}  // namespace

// Every step can give up its contents when the history runs over its budget.
class HistoryStep : public QUndoCommand {
public:
    HistoryStep(const QString& text, size_t bytes) : QUndoCommand(text), m_nBytes(bytes) {}
    size_t Bytes() const { return m_nBytes; }
    virtual void Release() { m_nBytes = 0; }

protected:
    // The step is pushed after its change was made: its first redo has nothing to do.
    bool FirstRedo()
    {
        const bool first = m_bFirst;
        m_bFirst = false;
        return first;
    }

private:
    size_t m_nBytes;
    bool m_bFirst = true;
};

size_t DocumentState::Bytes() const
{
    size_t bytes = sizeof(DocumentState) + HeldBytes(keys) + storedPath.capacity() + resolvedPath.capacity();
    for (const PackedKeyframe& key : keys)
        bytes += HeldBytes(key.map) + HeldBytes(key.thumb);
    if (work) {
        const WorkPicture& picture = work->Picture();
        bytes += sizeof(WorkPictureFile) + HeldBytes(picture.Source().Bits()) + HeldBytes(picture.Display().Bits()) +
                 HeldBytes(picture.Scratch()) + work->Path().capacity();
    }
    return bytes;
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
    MapEditStep(ProjectHistory& history, const QString& text, int key, const MapRect& rect, std::vector<uint8_t> before,
                std::vector<uint8_t> after)
            : HistoryStep(text, HeldBytes(before) + HeldBytes(after) + sizeof(MapEditStep)), m_history(history),
              m_nKey(key), m_rect(rect), m_before(std::move(before)), m_after(std::move(after))
    {}
    void undo() override { m_history.ApplyMapRect(m_nKey, m_rect, m_before); }
    void redo() override
    {
        if (!FirstRedo())
            m_history.ApplyMapRect(m_nKey, m_rect, m_after);
    }
    void Release() override
    {
        HistoryStep::Release();
        m_before = {};
        m_after = {};
    }

private:
    ProjectHistory& m_history;
    int m_nKey;
    MapRect m_rect;
    std::vector<uint8_t> m_before;
    std::vector<uint8_t> m_after;
};

// A change of the keyframes, the strip or the picture, kept as the whole
// document before and after.
class DocumentEditStep : public HistoryStep {
public:
    DocumentEditStep(ProjectHistory& history, const QString& text, DocumentState before, DocumentState after)
            : HistoryStep(text, before.Bytes() + after.Bytes() + sizeof(DocumentEditStep)), m_history(history),
              m_before(std::move(before)), m_after(std::move(after))
    {}
    void undo() override { m_history.ApplyDocument(m_before); }
    void redo() override
    {
        if (!FirstRedo())
            m_history.ApplyDocument(m_after);
    }
    void Release() override
    {
        HistoryStep::Release();
        m_before = {};
        m_after = {};
    }

private:
    ProjectHistory& m_history;
    DocumentState m_before;
    DocumentState m_after;
};

ProjectHistory::ProjectHistory(Project& project, size_t budget) : m_project(project), m_nBudget(budget) {}

ProjectHistory::~ProjectHistory() = default;

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
    std::vector<uint8_t> packedBefore = PackBlock(BytesOf(CopyMapRect(before->data(), key.Width(), rect)));
    std::vector<uint8_t> packedAfter = PackBlock(BytesOf(CopyMapRect(key.Map().data(), key.Width(), rect)));
    auto* step = new MapEditStep(*this, text, m_nMapKey, rect, std::move(packedBefore), std::move(packedAfter));
    Push(step, step->Bytes());
}

DocumentState ProjectHistory::CaptureDocument(bool withWork) const
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
    if (withWork)
        state.work = std::make_shared<const WorkPictureFile>(m_project.m_work);
    state.storedPath = m_project.m_storedPath;
    state.resolvedPath = m_project.m_resolvedPath;
    return state;
}

void ProjectHistory::BeginDocumentEdit()
{
    m_pDocumentBefore.reset();
    if (!m_bReplaying)
        m_pDocumentBefore = std::make_unique<DocumentState>(CaptureDocument(true));
}

void ProjectHistory::EndDocumentEdit(const QString& text)
{
    const std::unique_ptr<DocumentState> before = std::move(m_pDocumentBefore);
    if (!before || m_bReplaying)
        return;
    DocumentState after = CaptureDocument(true);
    if (SamePicture(*before->work, *after.work)) {
        // A command that changed nothing (a cancelled duration, activating a
        // keyframe) leaves no step.
        if (SameKeyframes(*before, after))
            return;
        // Only a step that changed the picture keeps it.
        before->work.reset();
        after.work.reset();
    }
    auto* step = new DocumentEditStep(*this, text, std::move(*before), std::move(after));
    Push(step, step->Bytes());
}

void ProjectHistory::CancelEdit()
{
    m_pMapBefore.reset();
    m_pDocumentBefore.reset();
}

void ProjectHistory::Push(QUndoCommand* step, size_t bytes)
{
    // Pushing discards the steps that could be redone; their bytes go with them.
    for (int i = m_stack.count() - 1; i >= m_stack.index(); --i)
        m_nBytes -= static_cast<const HistoryStep*>(m_stack.command(i))->Bytes();
    m_stack.push(step);
    m_nBytes += bytes;
    KeepWithinBudget();
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
        m_nBytes -= step->Bytes();
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
    Shown();
}

void ProjectHistory::Clear()
{
    m_stack.clear();
    m_nBytes = 0;
    m_nFloor = 0;
    CancelEdit();
}

void ProjectHistory::Shown()
{
    App().m_bModified = !m_stack.isClean();
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
    }
    std::vector<std::unique_ptr<CMMask>> keys;
    keys.reserve(state.keys.size());
    for (const PackedKeyframe& packed : state.keys)
        keys.push_back(UnpackKeyframe(packed));
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
