#pragma once
// FFmpeg's own messages (encoder statistics, rate-control warnings such as a
// full video buffer) mean nothing to a person saving a video: failures reach
// them through the writer's results. WARPLET_FFMPEG_LOG=1 shows them again,
// for diagnosing a codec.
void SetUpFfmpegLogging();
