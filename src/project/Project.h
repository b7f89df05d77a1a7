#pragma once
// The document: the work picture and the file it came from, the keyframes with
// the strip's indexes, and the active tool with its strength; opening, saving,
// loading deformations and inserting pictures; strokes on the active keyframe.
// Everything without a window: the main dialog and the command-line tool both
// work through this object.
//
// Opening is transactional: a file is parsed and built into a new document
// first, and only a complete read replaces this one. Saving writes a
// temporary file and renames it over the target.

#include "animation/KeyframeStore.h"
#include "engine/FreezeMask.h"
#include "engine/MaskBrush.h"
#include "engine/ToolCatalogue.h"
#include "engine/ToolTable.h"
#include "project/ProjectFile.h"
#include "project/ProjectHistory.h"
#include "work/WorkPictureFile.h"

#include <optional>
#include <span>
#include <string>

// What the window side wants to hear about.
class ProjectObserver {
public:
    virtual ~ProjectObserver() = default;
    // Bake the power slider into the map being left.
    virtual void ApplyPowerRequested() {}
    // The work picture now shows the active keyframe.
    virtual void ActiveKeyChanged() {}
    // The work picture was re-rendered.
    virtual void MapChanged() {}
    virtual bool Playing() const { return false; }
    // An undone or redone step replaced the keyframes (and perhaps the picture).
    virtual void DocumentRestored() {}
    // The freeze mask changed (an undo or redo of a mask edit, a cleared or set mask).
    virtual void MaskChanged() {}
};

class Project : private KeyframeListener, private WorkPictureHost {
public:
    static constexpr int kDefaultTool = kDefaultToolId;
    static constexpr int kDefaultStrength = 64;
    // Project files larger than this are not read.
    static constexpr uint64_t kMaxProjectBytes = uint64_t(1) << 30;

    Project();
    Project(const Project&) = delete;
    Project& operator=(const Project&) = delete;
    ~Project() override = default;

    // The picture shown for a missing picture file; empty: the application's.
    void SetDefaultPicture(const std::string& path) { m_work.SetDefaultPicture(path); }
    void SetObserver(ProjectObserver* observer) { m_pObserver = observer; }

    // --- Documents (each throws FileError or ArchiveError and then leaves
    // this document exactly as it was) -------------------------------------------
    // A new project on a picture: keyframes 0 and 1 as the strip's first two
    // double-clicks make them, the default tool at strength 64.
    void NewFromPicture(const std::string& picturePath);
    // Opens a project file of either format.
    void Load(const std::string& projectPath);
    // Builds the document from a file already read; `absoluteProjectPath` is
    // where it was read from (relative picture paths start there).
    void Load(ProjectData data, const std::string& absoluteProjectPath);
    void LoadProjectFile(const std::string& projectPath) { Load(projectPath); }
    // Writes the current format. False, writing nothing, when the animation has
    // no frames.
    bool Save(const std::string& projectPath);
    enum class DeformationResult { Applied, NoAnimation, NoKeyframes };
    // Takes the keyframes (and, from a current-format file, the tool) of another
    // project and applies them to this picture.
    DeformationResult LoadDeformations(const std::string& projectPath);
    DeformationResult LoadDeformations(ProjectData data);
    // Replaces the picture, keeping the keyframes (resampled to its size).
    // False when the animation has no frames.
    bool InsertPicture(const std::string& picturePath);

    // --- Parts ------------------------------------------------------------------
    WorkPictureFile& Work() { return m_work; }
    const WorkPictureFile& Work() const { return m_work; }
    WorkPicture& Picture() { return m_work.Picture(); }
    const WorkPicture& Picture() const { return m_work.Picture(); }
    KeyframeStore& Keys() { return m_keys; }
    const KeyframeStore& Keys() const { return m_keys; }
    // Undo and redo; emptied when another picture or project is opened. Every
    // edit of the document is a step of it.
    ProjectHistory& History() { return m_history; }
    const ProjectHistory& History() const { return m_history; }

    int ActiveToolId() const { return m_nActiveTool; }
    int ActiveToolStrength() const { return m_nStrength; }
    void SetActiveToolId(int id, int strength);
    // The format of the file last read (2 after a save or a new project).
    int FileVersion() const { return m_nFileVersion; }
    // The picture path as the file last read or written stores it, and the
    // path it stands for.
    const std::string& StoredPicturePath() const { return m_storedPath; }
    const std::string& ResolvedPicturePath() const { return m_resolvedPath; }
    // The picture file was missing when the project was opened: the default
    // picture stands in (at the keyframes' size), and saving keeps the path.
    bool PictureMissing() const { return m_work.ShowsStandIn(); }
    // The picture file ends before its format's end (a photograph cut short in
    // copying): what it lacks shows as the decoder filled it in.
    bool PictureIncomplete() const { return m_work.Incomplete(); }
    // The project file last read or written; empty for a project never saved.
    const std::string& ProjectPath() const { return m_projectPath; }
    // The name a person knows the project by: its file's name without the
    // extension, or its picture's for a project never saved (bytes as stored).
    std::string Name() const;

    // --- The active keyframe -------------------------------------------------------
    // Attaches the active keyframe's map to the work picture and renders it.
    void MakeActiveKeyCurrent();
    // As a click on keyframe k's slot; std::out_of_range when it does not exist.
    void SelectKey(int k);
    // A new last keyframe, as a double-click on the empty slot makes it.
    void AddKey();

    // --- Strokes ----------------------------------------------------------------
    // Makes the table's tool `id` active for this picture, with `strength` when
    // given; std::invalid_argument for an unknown id.
    CTool& SelectTool(ToolTable& tools, int id, std::optional<int> strength = std::nullopt);
    struct StrokePoint {
        int x = 0;
        int y = 0;
        int ticks = 0;                 // timer ticks while resting here (tools that repeat)
        int pressure = kFullPressure;  // 0..64 (QuantisePressure) for the steps at this point
    };
    // One stroke with the active tool on the active keyframe, as the work window
    // performs it: button down at the first point, the timer ticks resting at
    // each point, a move to each next point, button up. Each point's pressure
    // holds for its button-down or move and its ticks.
    void PerformStroke(std::span<const StrokePoint> points, bool rightButton);
    struct StrokeOptions {
        bool rightButton = false;
        bool reverse = false;       // the reverse modifier is held through the stroke
        int radius = 0;             // brush radius in work-picture pixels; 0: the tool's own size
        bool pressureSize = false;  // pressure scales the brush size as well as the strength
    };
    // The same with a brush size, the pressure choice and the reverse modifier;
    // `tools` is the table the active tool came from (its partners act from it).
    // The active tool keeps the radius and pressure choice afterwards; a reverse
    // partner acts at the active tool's strength and keeps its own.
    void PerformStroke(ToolTable& tools, std::span<const StrokePoint> points, const StrokeOptions& options);

    // Scales the map the work picture shows by p / 64 (ScaleMap; 0 resets it)
    // as one step named `text`; within an edit being recorded (a strip
    // command leaving its keyframe) the change is part of that edit's step.
    void ScaleShownMap(int p, const QString& text);

    // --- The freeze mask -----------------------------------------------------------
    // One mask over the work picture (its size, or empty: nothing frozen). Every
    // tool step on the work picture goes through it (engine/FreezeMask.h). A new
    // picture or project starts without one; inserting a picture resamples it,
    // loading deformations keeps it.
    const FreezeMask& Mask() const { return m_mask; }
    // Whether any element is frozen (what a saved file stores).
    bool HasMask() const { return !m_mask.AllClear(); }
    // A mask stroke as the window performs it: the first point, each next one,
    // the end. Each returns the rectangle of mask elements that changed (in
    // work-picture pixels, right and bottom exclusive); the brush may change
    // between calls (a pen's pressure scales its strength). The stroke is one
    // undo step.
    Rect BeginMaskStroke(const MaskBrush& brush, int x, int y);
    Rect ContinueMaskStroke(const MaskBrush& brush, int x, int y);
    void EndMaskStroke();
    struct MaskPoint {
        int x = 0;
        int y = 0;
    };
    // A whole mask stroke through `points` with one brush.
    void PerformMaskStroke(std::span<const MaskPoint> points, const MaskBrush& brush);
    // Removes the mask (one undo step when there was one).
    void ClearMask();
    // Takes `mask`, resampled to the work picture's size (one undo step).
    void SetMask(const FreezeMask& mask);

    // Moves the active keyframe's map toward no deformation by `percent`
    // (0..100, std::invalid_argument otherwise) through the freeze mask
    // (ReconstructMap), as one undo step.
    void Reconstruct(int percent);

    // Animation frame `frame` at the work picture's size (map at power 64); the
    // work picture shows the active keyframe again afterwards.
    PackedPicture RenderFrame(int64_t frame, bool smooth);

private:
    // KeyframeListener
    void ApplyPowerRequested() override;
    void KeyPictureRequested() override;
    void ActiveKeyChanged() override;
    // WorkPictureHost (ApplyPowerRequested is shared with the listener)
    void MapChanged() override;
    bool Playing() const override;
    void StrokeStarted() override;
    void StrokeEnded() override;

    friend class ProjectHistory;
    void DocumentRestored();

    // The size the read keyframes have once the older format's are fitted.
    static PictureSize StoredKeyframeSize(const ProjectData& data);
    // Puts read keyframes, indexes and tool into this document, whose picture is
    // already loaded, then runs the adjustment step.
    void ApplyData(ProjectData data, bool rebuildThumbnails);
    // Replaces this document's contents by those of `other`.
    void TakeOver(Project&& other);
    void PrepareActiveTool();
    bool ShowsActiveKey() const;
    // The work picture's steps go through this project's mask.
    void AttachMask() { Picture().SetFreezeMask(&m_mask); }
    // The mask at the work picture's size, made clear when there is none.
    FreezeMask& MaskForPainting();
    void MaskChanged();

    WorkPictureFile m_work;
    KeyframeStore m_keys;
    ProjectObserver* m_pObserver = nullptr;
    FreezeMask m_mask;
    std::vector<uint8_t> m_otherSections;  // sections of other tags read, written back as they were
    int m_nMaskX = 0;                      // the last point of the mask stroke under way
    int m_nMaskY = 0;
    int m_nActiveTool = kDefaultTool;
    int m_nStrength = kDefaultStrength;
    int m_nFileVersion = 2;
    std::string m_storedPath;
    std::string m_resolvedPath;
    std::string m_projectPath;
    ProjectHistory m_history{*this};

public:
    // The project changed since it was last opened or saved: its history is
    // away from the clean index. A view, never set (see ModifiedFlag).
    const ModifiedFlag m_bModified{m_history};
};

// Reads and parses a project file without building a document (FileError, ArchiveError).
ProjectData ReadProjectFile(const std::string& projectPath);
