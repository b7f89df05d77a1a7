#pragma once
// Cameras through libgphoto2: the cameras found (those detected on their
// ports, and folders named in WARPLET_CAMERA_FOLDERS, each shown as a
// "Directory Browse" camera), the pictures on a camera, their thumbnails, and
// one picture delivered to a CDataCallback in its own format. A folder camera
// shows and gives only regular files inside its folder (DiskCameraFiles.h);
// other cameras write a picture to a temporary file, never into memory whole.

#include "acquire/DataCallback.h"

#include <QImage>
#include <QString>

#include <functional>
#include <memory>
#include <string>
#include <vector>

struct CameraDeviceInfo {
    QString model;  // libgphoto2's model name
    QString port;   // port path, e.g. "usb:001,005" or "disk:/media/card"
};

// The model of a folder acting as a camera.
inline constexpr const char* kDirectoryCameraModel = "Directory Browse";

// The cameras found; `available` false when libgphoto2 cannot start.
std::vector<CameraDeviceInfo> ListCameras(bool& available);

// One picture on a camera. Folder and name are bytes as the camera gives them
// (not necessarily UTF-8); show them with ShownBytes.
struct CameraItem {
    std::string folder;  // camera folder, "/" or "/DCIM/100CANON"
    std::string name;    // file name on the camera
    QString mimeType;    // its format
    uint64_t size = 0;
    std::string Path() const { return folder.ends_with('/') ? folder + name : folder + '/' + name; }
};

class GphotoCamera {
public:
    // Connects to a camera; nullptr with `error` set on failure.
    static std::unique_ptr<GphotoCamera> Open(const CameraDeviceInfo& device, QString& error);
    ~GphotoCamera();
    GphotoCamera(const GphotoCamera&) = delete;
    GphotoCamera& operator=(const GphotoCamera&) = delete;

    // The files of every folder whose format the program keeps, folder by folder.
    std::vector<CameraItem> ListItems(QString& error);
    // The camera's preview of an item, or the picture itself scaled to fit
    // `side` x `side`; a null image when neither can be read.
    QImage Thumbnail(const CameraItem& item, int side);
    // Sends the item's bytes to the sink in bands; `cancelled` is asked while
    // the camera is reading. Files over the sink's page limit are refused.
    TransferEnd Transfer(const CameraItem& item, CDataCallback& sink, const std::function<bool()>& cancelled,
                         QString& error);

private:
    struct State;
    explicit GphotoCamera(std::unique_ptr<State> state);
    void ListFolder(const std::string& folder, std::vector<CameraItem>& items, int depth);
    bool Shows(const std::string& cameraPath, bool folder) const;
    TransferEnd TransferThroughDriver(const CameraItem& item, CDataCallback& sink,
                                      const std::function<bool()>& cancelled, QString& error);

    std::unique_ptr<State> m_state;
};
