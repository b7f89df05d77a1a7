#include "export/FfmpegLog.h"

extern "C" {
#include <libavutil/log.h>
}

#include <cstdlib>

void SetUpFfmpegLogging()
{
    const char* wanted = std::getenv("WARPLET_FFMPEG_LOG");
    av_log_set_level(wanted && *wanted && *wanted != '0' ? AV_LOG_INFO : AV_LOG_QUIET);
}
