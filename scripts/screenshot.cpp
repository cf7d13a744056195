// Shows the main window with a queue in every state, and the line below it,
// and saves a picture of it. Used by scripts/screenshot.sh; not part of the
// program.
//
//   screenshot OUTPUT.png [LANGUAGE]
#include "base/ProgramInfo.h"
#include "base/TranslatableText.h"
#include "media/OutputFormat.h"
#include "queue/ApplicationManager.h"
#include "settings/GlobalSettings.h"
#include "app/MainWindow.h"
#include "queue/QueueEntry.h"
#include "queue/QueueEntryList.h"

#include <QApplication>
#include <QDir>
#include <QLocale>
#include <QProcess>
#include <QTemporaryDir>
#include <QTimer>

#include <cstdio>
#include <optional>

namespace {

struct Row
{
    const char *file;
    QueueEntry::State state;
    double progress;
    // How it ended, for the rows that have.
    std::optional<ConversionResult::Status> status;
    const char *output;
    TranslatableText message;
    const char *warning;
};

// A queue with a row in every state, in the engine's own words.
void fillQueue(ApplicationManager *manager)
{
    // The engine's own words for a source without audio and damaged frames.
    const TranslatableText noAudio =
        TranslatableText("Conversion", "“%1” contains no audio.").arg(QStringLiteral("notes.txt.mp3"));
    const QByteArray damaged =
        QCoreApplication::translate("AudioTrack",
                                    "%n damaged frame(s) in the source were skipped (%1 s); the output has gaps there.",
                                    nullptr, 3)
            .arg(QLocale().toString(0.31))
            .toUtf8();
    const Row rows[] = {
        {"Morning Raga.flac", QueueEntry::S_Finished, 1.0, ConversionResult::Converted, "Morning Raga_0.flac", {}, ""},
        {"Live/01 - Overture.mp3", QueueEntry::S_Finished, 1.0, ConversionResult::Converted, "01 - Overture.flac",
         {}, damaged.constData()},
        {"Studio/01 - Overture.mp3", QueueEntry::S_Processing, 0.42, {}, "", {}, ""},
        {"Cello Suite No. 1 in G major, BWV 1007 - Prelude.m4a", QueueEntry::S_Processing, 0.8, {}, "", {}, ""},
        {"Concert film.mp4", QueueEntry::S_Pending, 0.0, {}, "", {}, ""},
        {"Evening Raga.flac", QueueEntry::S_Skipped, 0.0, ConversionResult::Skipped, "Evening Raga.flac", {}, ""},
        {"notes.txt.mp3", QueueEntry::S_Failed, 0.0, ConversionResult::Failed, "", noAudio, ""},
    };
    ConversionSettings settings = GlobalSettings::instance()->conversionSettings();
    settings.audioFormat = OutputFormat::named(QStringLiteral("flac"))->id;
    const QString music = QDir::homePath() + QStringLiteral("/Music/");
    const QString retuned = QDir::homePath() + QStringLiteral("/Retuned");
    // The first row is in the player, so its file is real: a tone as long as a raga's opening.
    QDir().mkpath(music);
    QProcess::execute(QStringLiteral("ffmpeg"), {QStringLiteral("-v"), QStringLiteral("error"), QStringLiteral("-f"),
                                                 QStringLiteral("lavfi"), QStringLiteral("-i"),
                                                 QStringLiteral("sine=frequency=220:duration=227"),
                                                 music + QStringLiteral("Morning Raga.flac")});
    for (const Row &row : rows) {
        settings.targetFrequency = &row - rows < 4 ? 432.0 : 444.0;  // changed while the first rows converted
        auto *entry = new QueueEntry(music + QString::fromUtf8(row.file), retuned, settings);
        entry->update_state(QueueEntry::S_Processing);
        entry->update_progress(row.progress);
        if (row.status) {
            ConversionResult result;
            result.status = *row.status;
            result.outputPath = retuned + QLatin1Char('/') + QString::fromUtf8(row.output);
            result.message = row.message;
            if (*row.warning)
                result.warnings << QString::fromUtf8(row.warning);
            entry->applyResult(result);
        } else {
            entry->update_state(row.state);
        }
        manager->fileQueue()->append(entry);
    }
}

} // namespace

int main(int argc, char *argv[])
{
    if (argc < 2) {
        std::fprintf(stderr, "usage: screenshot OUTPUT.png [LANGUAGE]\n");
        return 2;
    }
    // A throw-away home: the picture never depends on, or changes, the
    // user's own settings.
    QTemporaryDir home;
    qputenv("HOME", home.path().toLocal8Bit());
    qputenv("XDG_CONFIG_HOME", (home.path() + QStringLiteral("/.config")).toLocal8Bit());
    ProgramInfo::applyToApplication();
    QCoreApplication::setAttribute(Qt::AA_EnableHighDpiScaling, true);
    QApplication app(argc, argv);
    GlobalSettings::instance()->selectLanguage(argc > 2 ? QString::fromLocal8Bit(argv[2]) : QStringLiteral("en"));

    MainWindow window;
    window.resize(1000, 680);
    window.show();

    ApplicationManager *manager = ApplicationManager::instance();
    fillQueue(manager);
    manager->update_conversionRunning(true);
    // The counts are the queue's; the time left needs minutes of work to
    // measure, so it is given.
    manager->update_queueSummary(manager->queueSummary() + QStringLiteral(" · ")
                                 + QCoreApplication::translate("QueueSummary", "about %1 min left").arg(4));

    const QString output = QString::fromLocal8Bit(argv[1]);
    int status = 1;
    QTimer::singleShot(1500, &app, [&] {
        status = window.grab().save(output) ? 0 : 1;
        app.quit();
    });
    app.exec();
    if (status != 0)
        std::fprintf(stderr, "screenshot: cannot write %s\n", argv[1]);
    return status;
}
