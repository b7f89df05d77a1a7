#pragma once
// Scanners through SANE: the scanners found, the choices a scan offers
// (resolution, colour or grey, preview) and one scan delivered to a
// CDataCallback as a memory bitmap (a DIB: info header, grey colour table when
// grey, then rows of 24-bit BGR or 8-bit grey pixels, top row first).

#include "acquire/DataCallback.h"

#include <QString>

#include <memory>
#include <vector>

// SANE itself: initialised while at least one instance exists. SANE keeps
// process-wide state, so instances on several threads take turns.
class SaneLibrary {
public:
    SaneLibrary();
    ~SaneLibrary();
    SaneLibrary(const SaneLibrary&) = delete;
    SaneLibrary& operator=(const SaneLibrary&) = delete;
    bool Available() const { return m_bAvailable; }

private:
    bool m_bAvailable = false;
};

struct SaneDeviceInfo {
    QString name;    // SANE device name, e.g. "test:0"
    QString vendor;
    QString model;
    QString type;
};

// The scanners SANE finds; `available` false when SANE cannot start.
std::vector<SaneDeviceInfo> ListSaneDevices(bool& available);

struct ScanOptions {
    std::vector<int> resolutions;  // dots per inch offered, ascending; empty when not settable
    int defaultResolution = 0;
    bool offersColour = false;
    bool offersGrey = false;
    bool defaultColour = false;
    bool offersPreview = false;  // the device has a preview mode
};

struct ScanSettings {
    int resolution = 0;  // 0: the device's own
    bool colour = true;
    bool preview = false;
};

class SaneScanner {
public:
    // Opens a scanner by SANE device name; nullptr with `error` set on failure.
    // The library must stay alive while the scanner is open.
    static std::unique_ptr<SaneScanner> Open(const SaneLibrary& library, const QString& name, QString& error);
    ~SaneScanner();

    ScanOptions Options() const;
    // One page into `sink`; `error` names the cause when it fails.
    TransferEnd Scan(const ScanSettings& settings, CDataCallback& sink, QString& error);

private:
    explicit SaneScanner(void* handle) : m_handle(handle) {}
    void Apply(const ScanSettings& settings);

    void* m_handle;
};

// The resolutions offered for a range: common values within it, its ends and
// the default, ascending and distinct.
std::vector<int> ResolutionsForRange(int minimum, int maximum, int defaultValue);
