#pragma once

#include <QMainWindow>

#include <memory>

class QQuickWidget;

namespace Ui {
class MainWindow;
}

// The one top-level window; it hosts the QML main screen and asks before
// closing on running conversions. A switch of the interface language needs
// nothing here: the Translator's texts follow by themselves, and Qt Quick
// retranslates the scene's qsTr() texts when the window gets the change.
class MainWindow : public QMainWindow
{
    Q_OBJECT

public:
    explicit MainWindow(QWidget *parent = nullptr);
    ~MainWindow() override;

    // The view of the main screen (for tests and screenshots).
    QQuickWidget *quickWidget() const;

protected:
    bool event(QEvent *event) override;
    void closeEvent(QCloseEvent *event) override;

private Q_SLOTS:
    void followSceneMinimumSize();

private:
    std::unique_ptr<Ui::MainWindow> m_ui;
};
