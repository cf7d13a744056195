#pragma once

#include <QDialog>

// The program's version and licence, the libraries it runs on with the
// versions loaded and their licences, and the icon font's licence.
class AboutDialog : public QDialog
{
    Q_OBJECT

public:
    explicit AboutDialog(QWidget *parent = nullptr);
    ~AboutDialog() override;
};
