#pragma once
// What this process holds: the bytes its allocations hold now (the allocator's
// own figures, so that every allocation counts, Qt's included), and its
// resident set's peak, which can be reset to the current size.

#include <cstddef>
#include <fstream>
#include <string>

#if defined(__SANITIZE_ADDRESS__)
#define WARPLET_TEST_ASAN 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define WARPLET_TEST_ASAN 1
#endif
#endif

#ifdef WARPLET_TEST_ASAN
// From the sanitizer's runtime (its header is not always installed).
extern "C" size_t __sanitizer_get_current_allocated_bytes();
#else
#include <malloc.h>
#endif

namespace testsupport {

// Bytes held by live allocations.
inline size_t HeapInUse()
{
#ifdef WARPLET_TEST_ASAN
    return __sanitizer_get_current_allocated_bytes();
#else
    const struct mallinfo2 info = mallinfo2();
    return info.uordblks + info.hblkhd;  // arena chunks in use plus mapped chunks
#endif
}

// A field of /proc/self/status in bytes (VmRSS, VmHWM); 0 when it cannot be read.
inline size_t StatusBytes(const std::string& field)
{
    std::ifstream status("/proc/self/status");
    std::string name;
    while (status >> name) {
        if (name == field + ":") {
            size_t kilobytes = 0;
            status >> kilobytes;
            return kilobytes * 1024;
        }
        status.ignore(4096, '\n');
    }
    return 0;
}

// Makes the resident set's peak (VmHWM) the current resident set; false when
// the system does not allow it.
inline bool ResetResidentPeak()
{
    std::ofstream clear("/proc/self/clear_refs");
    clear << "5";
    clear.flush();
    return bool(clear);
}

}  // namespace testsupport
