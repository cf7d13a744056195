#pragma once

#include "queue/Desktop.h"

#include <QList>
#include <QUrl>

// Answers the controller's dialogs and questions from prepared lists, in
// order, and records what it was asked.
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
    bool confirm(const QString &question, const QString &) override
    {
        questions << question;
        return !answers.isEmpty() && answers.takeFirst();
    }
    void showNotice(const QString &text) override { notices << text; }
    void alert() override { ++alerts; }

    QStringList files;
    QStringList folders;  // an empty string cancels
    QList<bool> answers;  // none left: "no"
    QStringList captions;
    QStringList questions;
    QList<QUrl> opened;
    QStringList busy;
    QStringList notices;
    int settingsShown = 0;
    int aboutShown = 0;
    int alerts = 0;
};
