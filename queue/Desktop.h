#pragma once

#include <QString>
#include <QStringList>

class QUrl;

// What the queue controller asks of the desktop: dialogs, questions,
// notices, and pages or folders to open. The window program answers with
// its widgets; tests answer from a script.
class Desktop
{
public:
    virtual ~Desktop() = default;

    // Several existing files, offered among those whose names match
    // `patterns` ("*.mp3") or, if the user chooses so, all; empty when
    // cancelled.
    virtual QStringList chooseFiles(const QString &caption, const QString &folder, const QStringList &patterns) = 0;
    // One existing folder; empty when cancelled.
    virtual QString chooseFolder(const QString &caption, const QString &folder) = 0;
    virtual void showSettings() = 0;
    // The version, the licence and the libraries.
    virtual void showAbout() = 0;
    // A web page, or a local folder (file: URL) in the file manager.
    virtual void openUrl(const QUrl &url) = 0;
    // Work of unknown length begins (with what it is) or ends (empty text).
    virtual void showBusy(const QString &text) = 0;
    // Asks before something that loses work; `action` names what agreeing
    // does ("Stop and quit"), `keep` what the other answer does ("Keep
    // converting"). True when the user agrees.
    virtual bool confirm(const QString &question, const QString &action, const QString &keep) = 0;
    // A short notice in the status line, which goes by itself.
    virtual void showNotice(const QString &text) = 0;
    // The queue has run empty: draws the user's attention to the window if
    // it is in the background.
    virtual void alert() = 0;
};
