#include "brandingrecord.h"
#include "logformat.h"
#include "mainwindow.h"
#include "tooltable.h"

#include <QApplication>
#include <QFileInfo>
#include <QMessageBox>

int main(int argc, char* argv[])
{
    installLogFormat();
    QApplication app(argc, argv);
    // An installation of a tool this program lacks is refused, never shown
    // as another tool under its name.
    const BrandingRecord record = makeBrandingRecord(CustomFileNames(), -1, -1, false);
    if (record.row && !record.row->create) {
        QMessageBox::critical(nullptr, record.familyName,
                              QStringLiteral("This installation is %1, which this copy of %2 does not contain.")
                                  .arg(QString::fromLatin1(record.row->name), record.familyName));
        return 1;
    }
    MainWindow window;
    window.show();
    // Files named on the command line (a file manager's "Open With") arrive as
    // dropped ones do.
    QStringList files;
    for (const QString& argument : app.arguments().mid(1))
        files << QFileInfo(argument).absoluteFilePath();
    window.addDroppedFiles(files);
    return app.exec();
}
