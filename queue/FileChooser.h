#pragma once

#include <QString>
#include <QStringList>

class QWidget;

// How the application manager asks the user for files and folders. The
// program uses NativeFileChooser; tests answer without a window.
class FileChooser
{
public:
    virtual ~FileChooser() = default;

    // Several existing files; empty when cancelled.
    virtual QStringList openFileNames(QWidget *parent, const QString &caption, const QString &directory) = 0;
    // One existing folder; empty when cancelled.
    virtual QString existingDirectory(QWidget *parent, const QString &caption, const QString &directory) = 0;
};
