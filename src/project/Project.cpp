#include "project/Project.h"

#include "io/Archive.h"
#include "io/AtomicFile.h"
#include "io/FilePath.h"
#include "project/PicturePath.h"
#include "work/BrushInput.h"

#include <algorithm>
#include <filesystem>
#include <stdexcept>

ProjectData ReadProjectFile(const std::string& projectPath)
{
    const std::string bytes = ReadWholeFile(projectPath, Project::kMaxProjectBytes);
    try {
        return ReadProjectBytes(std::span(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size()));
    } catch (const ArchiveError& e) {
        throw ArchiveError(e.GetCause(), projectPath + ": " + e.what());
    }
}

Project::Project() : m_work(this), m_keys(this)
{
    AttachMask();
}

// ---------------------------------------------------------------------------
// Notifications

void Project::ApplyPowerRequested()
{
    if (m_pObserver)
        m_pObserver->ApplyPowerRequested();
}

void Project::KeyPictureRequested()
{
    if (!Picture().HasPicture())
        throw std::logic_error("a keyframe picture needs a work picture");
    m_keys.SetKeyPicture(m_keys.Active(), Picture().Display());
}

void Project::ActiveKeyChanged()
{
    MakeActiveKeyCurrent();
}

bool Project::ShowsActiveKey() const
{
    const int active = m_keys.Active();
    if (active < 0 || active >= m_keys.Count() || !Picture().HasMap())
        return false;
    return Picture().Map().data == m_keys.Key(active).Map().data();
}

void Project::MapChanged()
{
    // The thumbnail follows every render of the keyframe being edited; frames
    // of the animation shown in between leave it alone.
    if (ShowsActiveKey())
        m_keys.SetKeyPicture(m_keys.Active(), Picture().Display());
    if (m_pObserver)
        m_pObserver->MapChanged();
}

bool Project::Playing() const
{
    return m_pObserver && m_pObserver->Playing();
}

void Project::StrokeStarted()
{
    m_history.BeginMapEdit();
}

void Project::StrokeEnded()
{
    m_history.EndMapEdit(QStringLiteral("Stroke"));
}

void Project::DocumentRestored()
{
    if (m_pObserver)
        m_pObserver->DocumentRestored();
}

namespace {

// A document edit recorded when it completes and dropped when it throws.
class RecordedEdit {
public:
    RecordedEdit(ProjectHistory& history, QString text) : m_history(history), m_text(std::move(text))
    {
        m_history.BeginDocumentEdit();
    }
    ~RecordedEdit()
    {
        if (!m_bDone)
            m_history.CancelEdit();
    }
    RecordedEdit(const RecordedEdit&) = delete;
    RecordedEdit& operator=(const RecordedEdit&) = delete;
    void Done()
    {
        m_history.EndDocumentEdit(m_text);
        m_bDone = true;
    }

private:
    ProjectHistory& m_history;
    QString m_text;
    bool m_bDone = false;
};

}  // namespace

void Project::MakeActiveKeyCurrent()
{
    CMMask& key = m_keys.Key(m_keys.Active());
    Picture().AttachMap(key.Ref());
    Picture().RenderMap(64, true);
    if (m_pObserver)
        m_pObserver->ActiveKeyChanged();
}

// ---------------------------------------------------------------------------
// Documents

void Project::TakeOver(Project&& other)
{
    CTool* tool = Picture().ActiveTool();
    m_work = std::move(other.m_work);
    m_keys = std::move(other.m_keys);
    m_mask = std::move(other.m_mask);
    m_otherSections = std::move(other.m_otherSections);
    AttachMask();
    m_nActiveTool = other.m_nActiveTool;
    m_nStrength = other.m_nStrength;
    m_nFileVersion = other.m_nFileVersion;
    m_storedPath = std::move(other.m_storedPath);
    m_resolvedPath = std::move(other.m_resolvedPath);
    Picture().SetHost(this);
    m_keys.SetListener(this);
    if (tool) {
        Picture().SetActiveTool(tool);
        PrepareActiveTool();
    }
    if (m_pObserver && Picture().HasMap())
        m_pObserver->ActiveKeyChanged();
}

void Project::NewFromPicture(const std::string& picturePath)
{
    Project fresh;
    fresh.m_work.SetDefaultPicture(m_work.DefaultPicture());
    fresh.m_work.LoadWorkPicture(AbsolutePath(picturePath));
    fresh.m_keys.ResetKeys();
    fresh.m_keys.DoubleClickKey(0);
    fresh.m_keys.DoubleClickKey(1);
    fresh.m_nActiveTool = kDefaultTool;
    fresh.m_nStrength = kDefaultStrength;
    fresh.m_nFileVersion = 2;
    fresh.m_resolvedPath = fresh.m_work.Path();
    TakeOver(std::move(fresh));
    m_projectPath.clear();
    m_history.Clear();
}

void Project::Load(const std::string& projectPath)
{
    const std::string absolute = AbsolutePath(projectPath);
    Load(ReadProjectFile(absolute), absolute);
}

void Project::Load(ProjectData data, const std::string& absolute)
{
    Project fresh;
    fresh.m_work.SetDefaultPicture(m_work.DefaultPicture());
    fresh.m_nActiveTool = m_nActiveTool;  // the older format keeps the current tool
    fresh.m_nStrength = m_nStrength;
    fresh.m_storedPath = data.storedPicturePath;
    fresh.m_resolvedPath = ResolvePicturePath(data.storedPicturePath, absolute);
    // A stand-in for a missing picture takes the keyframes' size, so that their
    // maps and mask stay exactly as stored until the picture is back.
    fresh.m_work.LoadWorkPicture(fresh.m_resolvedPath, StoredKeyframeSize(data));
    // Saved at the keyframes' size; a picture of another size resamples it.
    fresh.m_mask = data.mask.Resampled(fresh.Picture().Width(), fresh.Picture().Height());
    fresh.m_otherSections = std::move(data.otherSections);
    try {
        fresh.ApplyData(std::move(data), false);
    } catch (const ArchiveError& e) {
        throw ArchiveError(e.GetCause(), absolute + ": " + e.what());
    }
    TakeOver(std::move(fresh));
    m_projectPath = absolute;
    m_history.Clear();
}

Project::DeformationResult Project::LoadDeformations(const std::string& projectPath)
{
    if (m_keys.GetTotalFrames() == 0)
        return DeformationResult::NoAnimation;
    const std::string absolute = AbsolutePath(projectPath);
    ProjectData data = ReadProjectFile(absolute);
    try {
        return LoadDeformations(std::move(data));
    } catch (const ArchiveError& e) {
        throw ArchiveError(e.GetCause(), absolute + ": " + e.what());
    }
}

Project::DeformationResult Project::LoadDeformations(ProjectData data)
{
    if (m_keys.GetTotalFrames() == 0)
        return DeformationResult::NoAnimation;
    if (data.keys.empty())
        return DeformationResult::NoKeyframes;
    RecordedEdit edit(m_history, QStringLiteral("Load deformations"));

    // The keyframes go onto this document's picture, which stays as it is.
    Project fresh;
    fresh.m_work = m_work;
    fresh.m_work.Picture().SetHost(&fresh);
    fresh.m_work.Picture().DetachMap();
    fresh.m_work.Picture().SetActiveTool(nullptr);
    fresh.m_nActiveTool = m_nActiveTool;
    fresh.m_nStrength = m_nStrength;
    fresh.m_storedPath = m_storedPath;
    fresh.m_resolvedPath = m_resolvedPath;
    fresh.m_mask = m_mask;  // the other project's mask and sections are not taken
    fresh.m_otherSections = m_otherSections;
    fresh.ApplyData(std::move(data), true);
    TakeOver(std::move(fresh));
    edit.Done();
    return DeformationResult::Applied;
}

PictureSize Project::StoredKeyframeSize(const ProjectData& data)
{
    if (data.keys.empty())
        return {};
    const CMMask& first = *data.keys.front();
    // The older format's keyframes are fitted to the work area first.
    return data.fileVersion == 1 ? FitToSquare(first.Width(), first.Height())
                                 : PictureSize{first.Width(), first.Height()};
}

void Project::ApplyData(ProjectData data, bool rebuildThumbnails)
{
    m_nFileVersion = data.fileVersion;
    const int count = int(data.keys.size());
    PictureSize oldFormatSize;
    if (data.fileVersion == 1 && count > 0)
        oldFormatSize = {data.keys.front()->Width(), data.keys.front()->Height()};
    // The adjustment step below gives every keyframe a map of the picture's
    // size (an older file's first of the fitted size): each is charged against
    // the unpacked budget at the larger of the two before any is made.
    if (count > 0) {
        const PictureSize fitted = FitToSquare(oldFormatSize.width, oldFormatSize.height);
        CheckAdjustedKeyframes(uint64_t(count), std::max(fitted.width, Picture().Width()),
                               std::max(fitted.height, Picture().Height()));
    }
    m_keys.ResetKeys();
    m_keys.Assign(std::move(data.keys), data.thumbHeader);

    if (count > 0) {
        // Indexes from the file are kept inside the strip.
        m_keys.SetFirstVisible(std::clamp(data.firstVisible, 0, count));
        m_keys.SetSelected(std::clamp(data.selected, 0, count - 1));
        m_keys.SetActive(std::clamp(data.active, 0, count - 1));
        if (data.fileVersion == 1) {
            const PictureSize fitted = FitToSquare(oldFormatSize.width, oldFormatSize.height);
            m_keys.ResizeKeys(fitted.width, fitted.height);
        }
        m_keys.ActivateKey();
    }
    if (data.hasTool) {
        m_nActiveTool = data.toolId;
        m_nStrength = data.strength;
    }

    // The adjustment step: keyframes follow the picture's size.
    if (count > 0) {
        const PictureSize mapSize = m_keys.GetMapSize();
        if (rebuildThumbnails || mapSize != PictureSize{Picture().Width(), Picture().Height()})
            m_keys.ResizeKeys(Picture().Width(), Picture().Height());
    }
}

bool Project::Save(const std::string& projectPath)
{
    if (m_keys.GetTotalFrames() == 0)
        return false;
    const std::string absolute = AbsolutePath(projectPath);
    // The picture the project names, even while a stand-in shows for a missing one.
    const std::string stored = ::StoredPicturePath(m_resolvedPath, absolute);
    // The mask is stored at the keyframes' size, which readers check.
    const PictureSize mapSize = m_keys.GetMapSize();
    const FreezeMask mask = m_mask.Resampled(mapSize.width, mapSize.height);
    const std::vector<uint8_t> bytes =
        WriteProjectBytes(stored, m_keys, m_nActiveTool, m_nStrength, &mask, m_otherSections);
    WriteFileAtomically(absolute, bytes);
    m_nFileVersion = 2;
    m_storedPath = stored;
    m_projectPath = absolute;
    m_history.SetSaved();
    return true;
}

bool Project::InsertPicture(const std::string& picturePath)
{
    if (m_keys.GetTotalFrames() == 0)
        return false;
    RecordedEdit edit(m_history, QStringLiteral("Insert picture"));
    m_work.LoadWorkPicture(AbsolutePath(picturePath));
    m_resolvedPath = m_work.Path();
    PrepareActiveTool();
    m_keys.ResizeKeys(Picture().Width(), Picture().Height());
    m_mask = m_mask.Resampled(Picture().Width(), Picture().Height());
    MakeActiveKeyCurrent();
    edit.Done();
    return true;
}

std::string Project::Name() const
{
    const std::string& path = m_projectPath.empty() ? m_work.Path() : m_projectPath;
    return std::filesystem::path(path).stem().string();
}

void Project::SetActiveToolId(int id, int strength)
{
    m_nActiveTool = id;
    m_nStrength = strength;
}

// ---------------------------------------------------------------------------
// Keyframes and strokes

void Project::SelectKey(int k)
{
    m_keys.Key(k);  // std::out_of_range when it does not exist
    m_keys.ClickKey(k);
}

void Project::AddKey()
{
    m_keys.DoubleClickKey(m_keys.Count());
}

void Project::PrepareActiveTool()
{
    CTool* tool = Picture().ActiveTool();
    if (!tool)
        return;
    tool->SetPictureSize(Picture().Width(), Picture().Height());
    Picture().SetActiveTool(nullptr);
    Picture().SetActiveTool(tool);
}

CTool& Project::SelectTool(ToolTable& tools, int id, std::optional<int> strength)
{
    CTool* tool = tools.Find(id);
    if (!tool)
        throw std::invalid_argument("there is no tool " + std::to_string(id));
    if (strength)
        tool->SetStrength(*strength);
    Picture().SetActiveTool(tool);
    PrepareActiveTool();
    tool->Activate();
    m_nActiveTool = id;
    m_nStrength = tool->Strength();
    return *tool;
}

void Project::PerformStroke(std::span<const StrokePoint> points, bool rightButton)
{
    if (points.empty())
        return;
    WorkPicture& picture = Picture();
    CTool* tool = picture.ActiveTool();
    if (!tool)
        throw std::logic_error("no tool is active");
    if (!ShowsActiveKey())
        MakeActiveKeyCurrent();
    tool->SetPressure(points.front().pressure);
    // Nobody sees the steps in between: the picture is rendered once, at the end.
    picture.DeferRenders(true);
    const bool repeats = picture.ButtonDown(points.front().x, points.front().y, rightButton);
    const auto end = [&] {
        picture.DeferRenders(false);
        picture.ButtonUp(rightButton);
    };
    try {
        for (size_t i = 0; i < points.size(); ++i) {
            const StrokePoint& p = points[i];
            tool->SetPressure(p.pressure);
            if (i > 0)
                picture.MouseMove(p.x, p.y);
            for (int tick = 0; repeats && tick < p.ticks; ++tick)
                picture.TimerTick(p.x, p.y);
        }
    } catch (...) {
        end();
        throw;
    }
    end();
    tool->SetPressure(kFullPressure);
}

void Project::PerformStroke(ToolTable& tools, std::span<const StrokePoint> points, const StrokeOptions& options)
{
    CTool* active = Picture().ActiveTool();
    if (!active)
        throw std::logic_error("no tool is active");
    active->SetFreeRadius(options.radius);
    active->SetPictureSize(Picture().Width(), Picture().Height());
    // The stroke begins and ends as the work window's do: under the reverse
    // modifier the partner acts, at the active tool's strength for this stroke
    // only, and the active tool is the user's again afterwards.
    BrushInput input;
    input.SetTools(&tools);
    input.BeginStroke(Picture(), options.reverse, options.pressureSize);
    try {
        PerformStroke(points, options.rightButton != input.TurnsBack());
    } catch (...) {
        input.EndStroke(Picture());
        throw;
    }
    input.EndStroke(Picture());
}

void Project::ScaleShownMap(int p, const QString& text)
{
    if (!Picture().HasMap())
        return;
    const bool own = !m_history.Recording();
    if (own)
        m_history.BeginMapEdit();
    Picture().ScaleMap(p);
    if (own)
        m_history.EndMapEdit(text);
}

// ---------------------------------------------------------------------------
// The freeze mask

void Project::MaskChanged()
{
    if (m_pObserver)
        m_pObserver->MaskChanged();
}

FreezeMask& Project::MaskForPainting()
{
    const int W = Picture().Width(), H = Picture().Height();
    if (m_mask.Empty())
        m_mask = FreezeMask(W, H);
    else if (!m_mask.HasSize(W, H))
        m_mask = m_mask.Resampled(W, H);
    return m_mask;
}

Rect Project::BeginMaskStroke(const MaskBrush& brush, int x, int y)
{
    if (!Picture().HasPicture())
        return Rect{};
    m_history.BeginMaskEdit();
    m_nMaskX = x;
    m_nMaskY = y;
    return PaintMaskDab(MaskForPainting(), brush, x, y);
}

Rect Project::ContinueMaskStroke(const MaskBrush& brush, int x, int y)
{
    if (!Picture().HasPicture())
        return Rect{};
    const Rect changed = PaintMaskSegment(MaskForPainting(), brush, m_nMaskX, m_nMaskY, x, y);
    m_nMaskX = x;
    m_nMaskY = y;
    return changed;
}

void Project::EndMaskStroke()
{
    // A mask painted clear again is no mask.
    if (!m_mask.Empty() && m_mask.AllClear())
        m_mask.Reset();
    m_history.EndMaskEdit(QStringLiteral("Mask stroke"));
}

void Project::PerformMaskStroke(std::span<const MaskPoint> points, const MaskBrush& brush)
{
    if (points.empty())
        return;
    BeginMaskStroke(brush, points.front().x, points.front().y);
    for (const MaskPoint& p : points.subspan(1))
        ContinueMaskStroke(brush, p.x, p.y);
    EndMaskStroke();
    MaskChanged();
}

void Project::ClearMask()
{
    m_history.BeginMaskEdit();
    m_mask.Reset();
    m_history.EndMaskEdit(QStringLiteral("Clear mask"));
    MaskChanged();
}

void Project::SetMask(const FreezeMask& mask)
{
    m_history.BeginMaskEdit();
    m_mask = mask.AllClear() ? FreezeMask() : mask.Resampled(Picture().Width(), Picture().Height());
    m_history.EndMaskEdit(QStringLiteral("Set mask"));
    MaskChanged();
}

void Project::Reconstruct(int percent)
{
    if (percent < 0 || percent > 100)
        throw std::invalid_argument("the percentage " + std::to_string(percent) + " is outside 0 to 100");
    if (m_keys.Active() < 0 || m_keys.Active() >= m_keys.Count())
        return;
    if (!ShowsActiveKey())
        MakeActiveKeyCurrent();
    m_history.BeginMapEdit();
    ReconstructMap(Picture().Map(), percent, &m_mask);
    Picture().RenderMap(64, true);
    m_history.EndMapEdit(QStringLiteral("Reconstruct"));
}

PackedPicture Project::RenderFrame(int64_t frame, bool smooth)
{
    const MapRef map = m_keys.GetFrameMapAt(frame);
    Picture().AttachMap(map);
    Picture().RenderMap(64, smooth);
    PackedPicture result = Picture().Display();
    MakeActiveKeyCurrent();
    return result;
}
