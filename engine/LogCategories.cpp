#include "engine/LogCategories.h"

Q_LOGGING_CATEGORY(lcEngine, "tunewise.engine", QtInfoMsg)
// FFmpeg warns about damage it repairs and about details of ordinary files
// ("Could not update timestamps for skipped samples"); what fails a file
// reaches its row through the conversion's result.
Q_LOGGING_CATEGORY(lcFfmpeg, "tunewise.ffmpeg", QtCriticalMsg)
Q_LOGGING_CATEGORY(lcSettings, "tunewise.settings", QtInfoMsg)
Q_LOGGING_CATEGORY(lcQueue, "tunewise.queue", QtInfoMsg)
Q_LOGGING_CATEGORY(lcApp, "tunewise.app", QtInfoMsg)
