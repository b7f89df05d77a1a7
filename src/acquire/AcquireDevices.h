#pragma once
// The scanners and cameras the program can take a picture from, under one
// identifier each: "sane:<device name>" or "gphoto2:<model>@<port>".

#include "acquire/GphotoCamera.h"
#include "acquire/SaneScanner.h"

#include <QString>

#include <optional>
#include <vector>

struct AcquireDevice {
    enum class Kind { Scanner, Camera };
    Kind kind = Kind::Scanner;
    QString saneName;         // scanners
    CameraDeviceInfo camera;  // cameras
    QString label;            // the model name shown to the user, control characters escaped

    QString Id() const;  // as the device names itself: escape it to show it
    bool IsScanner() const { return kind == Kind::Scanner; }
};

// A device from its identifier; nullopt when the identifier has neither form.
std::optional<AcquireDevice> ParseDeviceId(const QString& id);

struct DeviceSearch {
    bool saneAvailable = false;
    bool gphotoAvailable = false;
    std::vector<AcquireDevice> devices;  // scanners first, then cameras

    bool AnyLibrary() const { return saneAvailable || gphotoAvailable; }
};

// Asks both libraries for their devices.
DeviceSearch FindDevices();
