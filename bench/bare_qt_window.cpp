// SPDX-License-Identifier: MIT
// The baseline for the start-up measurement: a bare Qt Widgets window of the
// main window's size, shown as soon as the application exists.
#include <QApplication>
#include <QWidget>

int main(int argc, char* argv[])
{
    QApplication application(argc, argv);
    QWidget window;
    window.setWindowTitle(QStringLiteral("bare"));
    window.setFixedSize(383, 312);
    window.show();
    return application.exec();
}
