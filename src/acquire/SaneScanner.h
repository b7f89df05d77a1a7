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
    QString name;  // SANE device name, e.g. "test:0"
    QString vendor;
    QString model;
    QString type;
};

// The scanners SANE finds; `available` false when SANE cannot start.
std::vector<SaneDeviceInfo> ListSaneDevices(bool& available);

struct ScanOptions {
    std::vector<int> resolutions;  // dots per inch offered, ascending; empty when not settable
    // True when the scanner takes any resolution from the first to the last
    // of `resolutions` in steps of `resolutionStep`, not only those listed.
    bool resolutionRange = false;
    int resolutionStep = 1;
    int defaultResolution = 0;  // as the device reports it, which may be one it does not take
    bool offersColour = false;
    bool offersGrey = false;
    bool defaultColour = false;
    bool offersPreview = false;  // the device has a preview mode
};

struct ScanSettings {
    int resolution = 0;  // 0: PreselectedResolution
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
    // One page into `sink`; `error` names the cause when it fails. A
    // resolution the scanner does not take is refused, naming those it does.
    TransferEnd Scan(const ScanSettings& settings, CDataCallback& sink, QString& error);

private:
    explicit SaneScanner(void* handle) : m_handle(handle) {}
    void ApplyMode(bool colour);
    bool ApplyResolution(int dpi, QString& error);
    void ApplyPreview(bool preview);

    void* m_handle;
};

// True when the scanner takes `dpi`.
bool TakesResolution(const ScanOptions& options, int dpi);
// The resolutions the scanner takes, for messages: "1 to 1200 dpi",
// "75, 150, 300 or 600 dpi".
QString DescribeResolutions(const ScanOptions& options);
// The resolution a scan starts from: the device's own when it takes it,
// otherwise the one offered nearest to kUsualResolution; 0 when the
// resolution cannot be set.
int PreselectedResolution(const ScanOptions& options);
inline constexpr int kUsualResolution = 150;

// The resolutions offered for a range: common values within it, its ends and
// the default, ascending and distinct.
std::vector<int> ResolutionsForRange(int minimum, int maximum, int defaultValue);
