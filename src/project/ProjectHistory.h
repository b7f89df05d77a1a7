#pragma once
// Undo and redo for a project: every change to the document is a step on a
// QUndoStack whose clean state is the state last opened or saved. Whether the
// project is modified is that and nothing else (ModifiedFlag below).
//
// Three kinds of step. A map edit (a stroke, a reset, the power baked into the
// map) keeps only the rectangle of the keyframe's map that changed, before and
// after, compressed. A mask edit (a mask stroke, clearing or setting the freeze
// mask) keeps the whole mask before and after, compressed. A document edit
// (the strip's commands, an inserted picture, loaded deformations) keeps the
// whole document before and after: every keyframe compressed, the strip's
// indexes and, when it changed, the work picture and its mask. A keyframe's
// compressed map and thumbnail are shared by every state that holds the same
// contents (and remembered weakly by the keyframe), so a command compresses
// only the keyframes it changed, and the history counts each shared block once.
//
// The steps are bounded in memory: when they take more than the budget, the
// oldest give up their contents and can no longer be undone.

#include "animation/CMMask.h"
#include "engine/Displacement.h"
#include "engine/FreezeMask.h"
#include "engine/PackedPicture.h"

#include <QString>
#include <QUndoStack>

#include <cstdint>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

class Project;
class WorkPictureFile;

// A rectangle of map elements; right and bottom exclusive.
struct MapRect {
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;
    bool Empty() const { return right <= left || bottom <= top; }
};
// The smallest rectangle holding every element that differs between two maps
// of W x H; empty when they are equal.
MapRect ChangedMapRect(const Displacement* a, const Displacement* b, int W, int H);

// A compressed block, shared by every step that keeps the same bytes.
using PackedBytes = CMMask::PackedBytes;

// A keyframe as a step keeps it.
struct PackedKeyframe {
    int width = 0;
    int height = 0;
    int duration = 0;
    PackedBytes map;        // packed map bytes (width x height x 8 unpacked)
    PackedBytes thumb;      // packed thumbnail
    size_t thumbBytes = 0;  // the thumbnail's unpacked size
};

// The document as a document edit keeps it.
struct DocumentState {
    std::vector<PackedKeyframe> keys;
    BITMAPINFOHEADER thumbHeader{};
    int firstVisible = 0;
    int selected = 0;
    int active = 0;
    // The work picture, the freeze mask that follows its size, and the paths;
    // only kept when a step changed them.
    std::shared_ptr<const WorkPictureFile> work;
    std::shared_ptr<const FreezeMask> mask;
    std::string storedPath;
    std::string resolvedPath;
    // What the state holds in memory besides the packed blocks (which may be
    // shared): its own buffers' capacities.
    size_t OwnBytes() const;
    // The packed blocks it holds.
    void AddBlocks(std::vector<PackedBytes>& blocks) const;
};

class ProjectHistory {
public:
    static constexpr size_t kDefaultBudget = size_t(256) << 20;

    explicit ProjectHistory(Project& project, size_t budget = kDefaultBudget);
    ~ProjectHistory();
    ProjectHistory(const ProjectHistory&) = delete;
    ProjectHistory& operator=(const ProjectHistory&) = delete;

    // --- Recording (ignored while a step is undone or redone) ----------------
    // Around a change of the active keyframe's map; a step is pushed only when
    // the map changed.
    void BeginMapEdit();
    void EndMapEdit(const QString& text);
    // Around a change of the keyframes, the strip or the picture.
    void BeginDocumentEdit();
    void EndDocumentEdit(const QString& text);
    // Around a change of the freeze mask; a step is pushed only when it changed.
    void BeginMaskEdit();
    void EndMaskEdit(const QString& text);
    // Drops an edit begun but not ended (the change failed).
    void CancelEdit();
    bool Recording() const { return m_pMapBefore || m_pDocumentBefore || m_pMaskBefore; }

    // --- Undoing ------------------------------------------------------------------
    bool CanUndo() const { return m_stack.index() > m_nFloor; }
    bool CanRedo() const { return m_stack.canRedo(); }
    void Undo();
    void Redo();
    QString UndoText() const { return CanUndo() ? m_stack.undoText() : QString(); }
    QString RedoText() const { return m_stack.redoText(); }

    // Another picture or project was opened: nothing before it can be undone.
    void Clear();
    // The document was saved: this state is the clean one.
    void SetSaved() { m_stack.setClean(); }
    // At the state last opened or saved (true for a history just cleared).
    bool IsClean() const { return m_stack.isClean(); }
    // What the steps hold in memory, in bytes (the capacities of their
    // buffers, not only the bytes in use; a block several steps share once).
    size_t Bytes() const { return m_nBytes; }
    size_t Budget() const { return m_nBudget; }
    // A new budget; the oldest steps give up their contents at once if needed.
    void SetBudget(size_t budget);
    int Count() const { return m_stack.count(); }
    // For the window: canUndoChanged, cleanChanged, indexChanged...
    QUndoStack& Stack() { return m_stack; }

private:
    friend class HistoryStep;
    friend class MapEditStep;
    friend class DocumentEditStep;
    friend class MaskEditStep;

    void Push(QUndoCommand* step);
    // A step begins or ends keeping `ownBytes` of its own and `blocks`.
    void Hold(size_t ownBytes, const std::vector<PackedBytes>& blocks);
    void Unhold(size_t ownBytes, const std::vector<PackedBytes>& blocks);
    void KeepWithinBudget();
    // Undoes or redoes one step without recording what it changes.
    void Replay(void (QUndoStack::*step)());
    // Called by the steps.
    void ApplyMapRect(int key, const MapRect& rect, const std::vector<uint8_t>& packed);
    void ApplyDocument(const DocumentState& state);
    void ApplyMask(int width, int height, const std::vector<uint8_t>& packed);
    // The keyframes of `state`, taking the document's own keyframes that hold
    // the same contents instead of unpacking them again.
    std::vector<std::unique_ptr<CMMask>> RestoreKeyframes(const DocumentState& state);
    // The work picture writes the map it shows through a reference of its own:
    // that keyframe's packed form is checked again.
    void DistrustShownMap();

    DocumentState CaptureDocument() const;

    Project& m_project;
    size_t m_nBudget;
    size_t m_nBytes = 0;
    // How many steps hold each packed block (declared before the stack, whose
    // steps give their blocks back as they go).
    std::unordered_map<const std::vector<uint8_t>*, int> m_blockUsers;
    QUndoStack m_stack;
    int m_nFloor = 0;  // steps below this index gave up their contents
    bool m_bReplaying = false;
    int m_nMapKey = -1;
    std::unique_ptr<std::vector<Displacement>> m_pMapBefore;
    std::unique_ptr<DocumentState> m_pDocumentBefore;
    std::unique_ptr<FreezeMask> m_pMaskBefore;
};

// "Modified" as a view of a history, read like the flag it replaces: true while
// the history is away from its clean index. Nothing sets it; an edit makes it
// true and undoing back to the state last saved makes it false again.
class ModifiedFlag {
public:
    explicit ModifiedFlag(const ProjectHistory& history) : m_history(history) {}
    ModifiedFlag(const ModifiedFlag&) = delete;
    ModifiedFlag& operator=(const ModifiedFlag&) = delete;
    operator bool() const { return !m_history.IsClean(); }

private:
    const ProjectHistory& m_history;
};
