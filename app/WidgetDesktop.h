#pragma once

#include "queue/Desktop.h"

#include <QPointer>

class QDialog;
class QProgressDialog;
class QWidget;

// The desktop as the window program shows it: the platform's file dialogs,
// the settings and About dialogs, the default browser and file manager, a busy
// dialog, message boxes, the window's status bar and the task bar's alert.
class WidgetDesktop : public Desktop
{
public:
    // Dialogs open over `window`.
    explicit WidgetDesktop(QWidget *window);
    ~WidgetDesktop() override;

    QStringList chooseFiles(const QString &caption, const QString &folder, const QStringList &patterns) override;
    QString chooseFolder(const QString &caption, const QString &folder) override;
    void showSettings() override;
    void showAbout() override;
    void openUrl(const QUrl &url) override;
    void showBusy(const QString &text) override;
    bool confirm(const QString &question, const QString &action, const QString &keep) override;
    void showNotice(const QString &text) override;
    void alert() override;

protected:
    void giveFocusBack();

private:
    QPointer<QWidget> m_window;
    QPointer<QProgressDialog> m_busy;
    QPointer<QDialog> m_about;
};
