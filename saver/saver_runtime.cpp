#include "saver/saver_runtime.h"

namespace glowpond {
namespace {

SaverRuntime* installed = nullptr;

int64_t performanceCount() {
    LARGE_INTEGER count;
    QueryPerformanceCounter(&count);
    return count.QuadPart;
}

}  // namespace

SaverRuntime::SaverRuntime(HINSTANCE instanceHandle, Win32Services& systemPlatform)
    : instance(instanceHandle), platform(systemPlatform), clockOrigin_(performanceCount()) {}

SaverSettings& SaverRuntime::saved() {
    if (!saved_) saved_.emplace().setInstallDir(lookUpInstallDir(platform));
    return *saved_;
}

SaverSettings& SaverRuntime::working() {
    if (!working_) working_.emplace().setInstallDir(lookUpInstallDir(platform));
    return *working_;
}

// The performance counter, not GetTickCount: the tick count moves in steps of
// about 16 ms, which would stretch every 50 ms model step to 62 ms.
int32_t SaverRuntime::clockMs() const {
    LARGE_INTEGER frequency;
    QueryPerformanceFrequency(&frequency);
    const int64_t ms = (performanceCount() - clockOrigin_) * 1000 / frequency.QuadPart;
    return static_cast<int32_t>(static_cast<uint32_t>(ms));
}

SaverRuntime& saverRuntime() { return *installed; }
void setSaverRuntime(SaverRuntime* runtime) { installed = runtime; }

}  // namespace glowpond
