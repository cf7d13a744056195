#pragma once

#include "queue/Desktop.h"

#include <QUrl>

// Answers the controller's dialogs from prepared lists, in order, and
// records what it was asked.
class ScriptedDesktop : public Desktop
{
public:
    QStringList chooseFiles(const QString &caption, const QString &) override
    {
        captions << caption;
        return files;
    }
    QString chooseFolder(const QString &caption, const QString &) override
    {
        captions << caption;
        return folders.isEmpty() ? QString() : folders.takeFirst();
    }
    void showSettings() override { ++settingsShown; }
    void showAbout() override { ++aboutShown; }
    void openUrl(const QUrl &url) override { opened << url; }
    void showBusy(const QString &text) override { busy << text; }

    QStringList files;
    QStringList folders;  // an empty string cancels
    QStringList captions;
    QList<QUrl> opened;
    QStringList busy;
    int settingsShown = 0;
    int aboutShown = 0;
};
