#include "app/WidgetDesktop.h"

#include "app/AboutDialog.h"
#include "app/SettingsDialog.h"

#include <QApplication>
#include <QDesktopServices>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QMainWindow>
#include <QMessageBox>
#include <QProgressDialog>
#include <QPushButton>
#include <QStatusBar>
#include <QUrl>

namespace {
constexpr int NoticeMs = 8000;
}

WidgetDesktop::WidgetDesktop(QWidget *window)
    : m_window(window)
{
}

WidgetDesktop::~WidgetDesktop()
{
    delete m_busy;
    delete m_about;
}

QStringList WidgetDesktop::chooseFiles(const QString &caption, const QString &folder, const QStringList &patterns)
{
    const QString filters =
        QCoreApplication::translate("WidgetDesktop", "Audio and video files (%1)").arg(patterns.join(QLatin1Char(' ')))
        + QStringLiteral(";;") + QCoreApplication::translate("WidgetDesktop", "All files (*)");
    const QStringList files = QFileDialog::getOpenFileNames(m_window, caption, folder, filters);
    giveFocusBack();
    return files;
}

// A dialog that closes, or one of Qt's own, may leave the keyboard with no
// widget of the window, and the scene's shortcuts with it: the window takes
// it back.
void WidgetDesktop::giveFocusBack()
{
    if (!m_window || QApplication::activeModalWidget())
        return;
    m_window->activateWindow();
    m_window->setFocus(Qt::ActiveWindowFocusReason);
}

QString WidgetDesktop::chooseFolder(const QString &caption, const QString &folder)
{
    // The dialog can only choose a folder that exists, and the one suggested
    // may not yet (the default output folder before the first conversion):
    // it is made for the question and removed again unless it was chosen.
    QStringList made;
    if (!folder.isEmpty()) {
        for (QString missing = QDir::cleanPath(QDir(folder).absolutePath()); !QFileInfo::exists(missing);
             missing = QFileInfo(missing).path())
            made.prepend(missing);
    }
    if (!made.isEmpty() && !QDir().mkpath(folder))
        made.clear();
    const QString chosen = QFileDialog::getExistingDirectory(m_window, caption, folder, QFileDialog::ShowDirsOnly);
    giveFocusBack();
    const QString kept = QDir(chosen).absolutePath();
    for (auto it = made.crbegin(); it != made.crend(); ++it) {
        if (chosen.isEmpty() || !(kept == *it || kept.startsWith(*it + QLatin1Char('/'))))
            QDir().rmdir(*it);  // only if it stayed empty
    }
    return chosen;
}

void WidgetDesktop::showSettings()
{
    // The dialog commits its values when it goes, whichever way it closes.
    auto *dialog = new SettingsDialog(m_window);
    QObject::connect(dialog, &QDialog::finished, dialog, [this, dialog] {
        dialog->deleteLater();
        giveFocusBack();
    });
    dialog->setModal(true);
    dialog->show();
}

void WidgetDesktop::showAbout()
{
    // One at a time; asked again, it comes to the front.
    if (!m_about) {
        m_about = new AboutDialog(m_window);
        m_about->setAttribute(Qt::WA_DeleteOnClose);
        QObject::connect(m_about, &QDialog::finished, m_about, [this] { giveFocusBack(); });
    }
    m_about->show();
    m_about->raise();
    m_about->activateWindow();
}

void WidgetDesktop::openUrl(const QUrl &url)
{
    QDesktopServices::openUrl(url);
}

void WidgetDesktop::showBusy(const QString &text)
{
    if (text.isEmpty()) {
        if (m_busy) {
            m_busy->close();
            m_busy->deleteLater();
            giveFocusBack();
        }
        return;
    }
    if (!m_busy) {
        m_busy = new QProgressDialog(m_window);
        m_busy->setCancelButton(nullptr);
        m_busy->setRange(0, 0);  // a busy indicator: no known length
        m_busy->setModal(true);
    }
    m_busy->setLabelText(text);
    m_busy->show();
    m_busy->raise();
    m_busy->activateWindow();
}

bool WidgetDesktop::confirm(const QString &question, const QString &action, const QString &keep)
{
    QMessageBox box(QMessageBox::Question, QApplication::applicationName(), question, QMessageBox::NoButton,
                    m_window);
    QPushButton *agree = box.addButton(action, QMessageBox::DestructiveRole);
    // Escape, and Enter by default, keep the work.
    QPushButton *keeping = box.addButton(keep, QMessageBox::RejectRole);
    box.setDefaultButton(keeping);
    box.setEscapeButton(keeping);
    box.exec();
    giveFocusBack();
    return box.clickedButton() == agree;
}

void WidgetDesktop::showNotice(const QString &text)
{
    if (auto *window = qobject_cast<QMainWindow *>(m_window.data()))
        window->statusBar()->showMessage(text, NoticeMs);
}

void WidgetDesktop::alert()
{
    if (m_window && !m_window->isActiveWindow())
        QApplication::alert(m_window);
}
