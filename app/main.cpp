#include "logformat.h"
#include "mainwindow.h"

#include <QApplication>

int main(int argc, char* argv[])
{
    installLogFormat();
    QApplication app(argc, argv);
    MainWindow window;
    window.show();
    return app.exec();
}
