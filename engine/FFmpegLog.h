#pragma once

// Routes FFmpeg's messages into the tunewise.ffmpeg logging category, so
// that the logging rules decide what shows instead of FFmpeg printing to
// stderr itself. FFmpeg's own level (av_log_set_level) still filters first.
class FFmpegLog
{
public:
    // Takes over FFmpeg's log; once per process, from any thread.
    static void install();
};
