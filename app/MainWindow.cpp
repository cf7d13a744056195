#include "MainWindow.h"
#include "ui_MainWindow.h"

#include <QCoreApplication>

MainWindow::MainWindow(QWidget *parent)
    : QMainWindow(parent)
    , m_ui(std::make_unique<Ui::MainWindow>())
{
    m_ui->setupUi(this);
    setWindowTitle(QCoreApplication::applicationName());
}

MainWindow::~MainWindow() = default;
