#pragma once

// Routes FFmpeg's messages into the tunewise.ffmpeg logging category, so
// that the logging rules decide what shows instead of FFmpeg printing to
// stderr itself. FFmpeg's own level still filters first: only fatal
// messages are made unless verbose.
class FFmpegLog
{
public:
    // Takes over FFmpeg's log; once per process, from any thread.
    static void install();
    // Lets FFmpeg's warnings through to the category (a command line's
    // --verbose), or only what is fatal.
    static void setVerbose(bool verbose);
};
