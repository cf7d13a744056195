#pragma once

#include "FileChooser.h"

// The platform's file and folder dialogs.
class NativeFileChooser : public FileChooser
{
public:
    QStringList openFileNames(QWidget *parent, const QString &caption, const QString &directory) override;
    QString existingDirectory(QWidget *parent, const QString &caption, const QString &directory) override;
};
