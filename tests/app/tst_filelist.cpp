// The shared file list: adding, importing files and folders, removing,
// clearing, and the calls of the tool page's FileListChanged.

#include "featurebase.h"
#include "pdfbuild.h"
#include "photolist.h"
#include "questions.h"
#include "testsupport.h"
#include "toolsupport.h"

#include <QListWidget>
#include <QPushButton>
#include <QTemporaryDir>
#include <QtTest>

using namespace testsupport;

namespace {

// A tool page that records what the list tells it, and its list.
struct Tool : FeatureBase {
    explicit Tool(int tool = 1)
        : FeatureBase(nullptr, toolRecord(tool)), list(nullptr, this, toolRecord(tool))
    {
    }
    void FileListChanged(QStringList paths) override { calls << paths; }
    void press(const char* button) { list.findChild<QPushButton*>(button)->click(); }
    QList<QStringList> calls;
    PhotoList list;
};

} // namespace

class TestFileList : public ToolSuite
{
    Q_OBJECT

    QString file(const QString& relative, bool pdf = true)
    {
        const QString path = dir.filePath(relative);
        QDir().mkpath(QFileInfo(path).absolutePath());
        (pdf ? writeTextPdf(path, {relative}) : writeFile(path, "text")) || (qWarning() << "cannot write" << path, true);
        return path;
    }

private slots:
    void addingFiles()
    {
        Tool tool;
        const QString a = file("add/a.pdf");
        tool.list.addFile(a);
        tool.list.addFile(a);                    // duplicates are kept
        tool.list.addFile("/no/such/file.pdf");  // unreadable files too
        tool.list.addFile("/x//y/./z.pdf");      // stored with the platform's separators
        QCOMPARE(tool.list.files, QStringList({a, a, "/no/such/file.pdf", QDir::toNativeSeparators("/x//y/./z.pdf")}));
        QCOMPARE(tool.list.listWidget()->count(), 4);
        QCOMPARE(tool.list.listWidget()->item(2)->text(), "file.pdf");
        for (int i = 0; i < 3; ++i)
            QVERIFY(tool.list.listWidget()->item(i)->sizeHint() == QSize(170, 200) && !tool.list.listWidget()->item(i)->icon().isNull());
        QVERIFY(tool.calls.isEmpty());  // adding alone does not tell the page
    }

    void importFromFiles()
    {
        Tool tool;
        const QString a = file("imp/a.pdf"), b = file("imp/b.pdf");
        script.queue(Question::OpenFileNames, QStringList{b, a}).queue(Question::OpenFileNames, QStringList());
        tool.press("pushButton");
        QCOMPARE(tool.list.files, QStringList({b, a}));
        QCOMPARE(script.asked().last().filter, "PDF files(*.PDF)");
        QCOMPARE(script.asked().last().parent, static_cast<QWidget*>(&tool.list));
        tool.press("pushButton");  // cancelled: still told
        QCOMPARE(tool.calls, (QList<QStringList>{{b, a}, {b, a}}));
    }

    void importFromFolder()
    {
        Tool tool;
        const QString folder = dir.filePath("folder");
        const QString c = file("folder/c.Pdf"), a = file("folder/a.pdf"), b = file("folder/B.PDF");
        file("folder/notes.txt", false);
        file("folder/inner/d.pdf");              // not recursive
        QDir(folder).mkdir("e.pdf");             // a folder is no file
        script.queue(Question::ExistingDirectory, folder).queue(Question::ExistingDirectory, QString());
        tool.press("pushButton_2");
        QCOMPARE(tool.list.files, QStringList({a, b, c}));
        QVERIFY(script.asked().last().parent == nullptr);
        tool.press("pushButton_2");
        QCOMPARE(tool.list.files.size(), 3);
        QCOMPARE(tool.calls.size(), 2);

        // The images tool imports by its own patterns, in any letter case.
        Tool images(5);
        file("pics/x.PNG", false);
        file("pics/y.jpg", false);
        file("pics/z.gif", false);
        script.queue(Question::ExistingDirectory, dir.filePath("pics"));
        images.press("pushButton_2");
        QCOMPARE(images.list.files.size(), 2);
    }

    void removeAndClear()
    {
        Tool tool;
        const QStringList paths = {file("rm/1.pdf"), file("rm/2.pdf"), file("rm/3.pdf")};
        for (const QString& p : paths)
            tool.list.addFile(p);
        tool.press("pushButton_3");  // nothing selected: nothing removed, page still told
        QCOMPARE(tool.calls, QList<QStringList>{paths});
        tool.list.listWidget()->item(1)->setSelected(true);
        tool.press("pushButton_3");
        QCOMPARE(tool.list.files, QStringList({paths[0], paths[2]}));
        QCOMPARE(tool.list.listWidget()->item(1)->text(), "3.pdf");
        QCOMPARE(tool.calls.last(), tool.list.files);
        tool.press("pushButton_4");
        QVERIFY(tool.list.files.isEmpty());
        QCOMPARE(tool.list.listWidget()->count(), 0);
        QCOMPARE(tool.calls.last(), QStringList());
        QCOMPARE(tool.calls.size(), 3);
    }
};

QTEST_MAIN(TestFileList)
#include "tst_filelist.moc"
