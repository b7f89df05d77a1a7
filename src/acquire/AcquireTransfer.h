#pragma once
// One picture from a device into a file of the pictures folder: the name from
// the item and its format (numbered when taken), the banded transfer through
// CDataCallback with the shared progress, and how it ended. Runs on whichever
// thread calls it (the window runs it on a worker thread).

#include "acquire/AcquireDevices.h"
#include "acquire/AcquireProgress.h"

#include <QImage>
#include <QString>

#include <string>

struct AcquireRequest {
    AcquireDevice device;
    ScanSettings scan;                                 // scanners
    CameraItem item;                                   // cameras
    std::string folder;                                // where the file goes, as bytes; ends with '/'
    bool preview = false;                              // scanners: a preview scan, kept in memory only
    uint64_t pageLimit = CDataCallback::kMaxPageSize;  // the largest picture taken, in bytes
};

struct AcquireOutcome {
    enum class Kind {
        Written,    // `path` holds the picture
        Previewed,  // `preview` holds the picture
        Cancelled,
        DeviceFailed,  // `detail` says why
        WriteFailed,   // `path` could not be written; `detail` says why
        Skipped,       // the item's format is not one the program keeps
    };
    Kind kind = Kind::DeviceFailed;
    std::string path;  // bytes
    QString detail;    // for showing; outside text in it is escaped
    QImage preview;
};

AcquireOutcome TransferPicture(const AcquireRequest& request, AcquireProgress& progress);
