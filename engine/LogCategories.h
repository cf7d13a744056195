#pragma once

#include <QLoggingCategory>

// The program's logging categories, named in one place so that the names
// for QT_LOGGING_RULES are found in one place. Debug output is off unless
// the rules turn it on (e.g. QT_LOGGING_RULES="tunewise.*.debug=true");
// FFmpeg's own messages show only when critical (tunewise.ffmpeg).
Q_DECLARE_LOGGING_CATEGORY(lcEngine)
Q_DECLARE_LOGGING_CATEGORY(lcFfmpeg)
Q_DECLARE_LOGGING_CATEGORY(lcSettings)
Q_DECLARE_LOGGING_CATEGORY(lcQueue)
Q_DECLARE_LOGGING_CATEGORY(lcApp)
