#pragma once

#include "queue/Desktop.h"

#include <QFileInfo>
#include <QList>
#include <QUrl>

// Answers the controller's dialogs and questions from prepared lists, in
// order, and logs what the user would have seen, a line each.
class ScriptedDesktop : public Desktop
{
public:
    QStringList chooseFiles(const QString &caption, const QString &folder, const QStringList &patterns) override
    {
        log << QStringLiteral("asked: ") + caption;
        shownFolder = folder;
        shownPatterns = patterns;
        return files;
    }
    QString chooseFolder(const QString &caption, const QString &) override
    {
        log << QStringLiteral("asked: ") + caption;
        return folders.isEmpty() ? QString() : folders.takeFirst();
    }
    bool confirm(const QString &question, const QString &action, const QString &keep) override
    {
        log << QStringLiteral("confirm: ") + question;
        buttons = QStringList{action, keep};
        return !answers.isEmpty() && answers.takeFirst();
    }
    void showSettings() override { log << QStringLiteral("settings dialog"); }
    void showAbout() override { log << QStringLiteral("About dialog"); }
    // A folder by its name: the tests' folders are temporary.
    void openUrl(const QUrl &url) override
    {
        const QString shown = url.isLocalFile() ? QFileInfo(url.toLocalFile()).fileName() : url.toString();
        log << QStringLiteral("opened ") + shown;
    }
    void showBusy(const QString &text) override { log << QStringLiteral("busy: ") + text; }
    void showNotice(const QString &text) override { log << QStringLiteral("notice: ") + text; }
    void alert() override { log << QStringLiteral("alert"); }

    QStringList files;
    QStringList folders;  // an empty string cancels
    QList<bool> answers;  // none left: "no"
    QStringList log;
    // Where the last file dialog opened and what it offered; the last
    // question's buttons.
    QString shownFolder;
    QStringList shownPatterns;
    QStringList buttons;
};
