#pragma once
// The work picture with the file it came from: loading a picture file into it
// (with the default picture standing in for a missing file) and the picture
// path's share of the project file.

#include "engine/WorkPicture.h"

#include <memory>
#include <string>

class WorkPictureFile {
public:
    explicit WorkPictureFile(WorkPictureHost* host = nullptr) : m_picture(host) {}
    WorkPictureFile(const WorkPictureFile&) = default;
    WorkPictureFile& operator=(const WorkPictureFile&) = default;
    WorkPictureFile(WorkPictureFile&&) noexcept = default;
    WorkPictureFile& operator=(WorkPictureFile&&) noexcept = default;

    // The picture shown when a file does not exist. Empty: "default.gif" among
    // the program's data files.
    void SetDefaultPicture(std::string path) { m_defaultPicture = std::move(path); }
    std::string DefaultPicture() const;

    // Loads and fits the picture at `path` (the file name's bytes). When no file
    // exists there, the default picture is loaded and remembered instead,
    // without a message; it is fitted to `standInSize` when one is given (a
    // project's keyframes keep the size they were made at). A file that cannot
    // be read or decoded throws FileError naming it; the previous picture then
    // stays as it was.
    void LoadWorkPicture(const std::string& path, PictureSize standInSize = {});
    // Whether the default picture stands in for a missing file.
    bool ShowsStandIn() const { return m_bStandIn; }
    // Whether the file ended before its format's end: what it lacks is filled in.
    bool Incomplete() const { return m_bIncomplete; }

    // The photograph at up to 8 times the work picture's size, for the work
    // window's magnified views (work/ZoomedView.h); shared by copies.
    std::shared_ptr<const PackedPicture> Detail() const { return m_detail; }

    // The path of the loaded picture, absolute.
    const std::string& Path() const { return m_path; }
    WorkPicture& Picture() { return m_picture; }
    const WorkPicture& Picture() const { return m_picture; }
    int Width() const { return m_picture.Width(); }
    int Height() const { return m_picture.Height(); }

private:
    WorkPicture m_picture;
    std::string m_path;
    std::shared_ptr<const PackedPicture> m_detail;
    std::string m_defaultPicture;
    bool m_bStandIn = false;
    bool m_bIncomplete = false;
};
