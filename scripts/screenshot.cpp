// Shows the main window with a queue in every state and saves a picture of
// it. Used by scripts/screenshot.sh; not part of the program.
//
//   screenshot OUTPUT.png [de]
#include "engine/ProgramInfo.h"
#include "queue/ApplicationManager.h"
#include "settings/GlobalSettings.h"
#include "app/MainWindow.h"
#include "queue/QueueEntry.h"
#include "queue/QueueEntryList.h"

#include <QApplication>
#include <QDir>
#include <QTemporaryDir>
#include <QTimer>

#include <cstdio>

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
    if (argc > 2)
        GlobalSettings::instance()->selectLanguage(QString::fromLocal8Bit(argv[2]));

    MainWindow window;
    window.resize(1000, 640);
    window.show();

    const struct
    {
        const char *file;
        QueueEntry::State state;
        double progress;
    } rows[] = {
        {"Morning Raga.flac", QueueEntry::S_Finished, 1.0},
        {"01 - Overture (live at the Philharmonie, remastered 2019).mp3", QueueEntry::S_Processing, 0.42},
        {"Cello Suite No. 1 in G major, BWV 1007 - Prelude.m4a", QueueEntry::S_Processing, 0.8},
        {"Concert film.mp4", QueueEntry::S_Pending, 0.0},
        {"notes.txt.mp3", QueueEntry::S_Failed, 0.0},
    };
    QueueEntryList *queue = ApplicationManager::instance()->fileQueue();
    for (const auto &row : rows) {
        auto *entry = new QueueEntry(QDir::homePath() + QStringLiteral("/Music/") + QString::fromUtf8(row.file),
                                     QDir::homePath() + QStringLiteral("/Retuned"),
                                     GlobalSettings::instance()->conversionSettings());
        entry->update_state(row.state);
        entry->update_progress(row.progress);
        queue->append(entry);
    }
    ApplicationManager::instance()->update_conversionRunning(true);

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
