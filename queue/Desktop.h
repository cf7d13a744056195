#pragma once

#include <QString>
#include <QStringList>

class QUrl;

// What the queue controller asks of the desktop: dialogs, and pages to
// open. The window program answers with its widgets; tests answer from a
// script.
class Desktop
{
public:
    virtual ~Desktop() = default;

    // Several existing files; empty when cancelled.
    virtual QStringList chooseFiles(const QString &caption, const QString &folder) = 0;
    // One existing folder; empty when cancelled.
    virtual QString chooseFolder(const QString &caption, const QString &folder) = 0;
    virtual void showSettings() = 0;
    // The version, the licence and the libraries.
    virtual void showAbout() = 0;
    virtual void openUrl(const QUrl &url) = 0;
    // Work of unknown length begins (with what it is) or ends (empty text).
    virtual void showBusy(const QString &text) = 0;
};
