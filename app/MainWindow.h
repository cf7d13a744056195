#pragma once

#include <QMainWindow>

#include <memory>

class QQuickWidget;

namespace Ui {
class MainWindow;
}

// The one top-level window; it hosts the QML main screen, follows a switch
// of the interface language at once, and asks before closing on running
// conversions.
class MainWindow : public QMainWindow
{
    Q_OBJECT

public:
    explicit MainWindow(QWidget *parent = nullptr);
    ~MainWindow() override;

    // The view of the main screen (for tests and screenshots).
    QQuickWidget *quickWidget() const;

protected:
    void changeEvent(QEvent *event) override;
    void closeEvent(QCloseEvent *event) override;

private:
    std::unique_ptr<Ui::MainWindow> m_ui;
};
