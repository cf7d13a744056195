#include "NativeFileChooser.h"

#include <QFileDialog>

QStringList NativeFileChooser::openFileNames(QWidget *parent, const QString &caption, const QString &directory)
{
    // An empty filter lists every file.
    return QFileDialog::getOpenFileNames(parent, caption, directory, QString(), nullptr, QFileDialog::Options());
}

QString NativeFileChooser::existingDirectory(QWidget *parent, const QString &caption, const QString &directory)
{
    return QFileDialog::getExistingDirectory(parent, caption, directory, QFileDialog::ShowDirsOnly);
}
