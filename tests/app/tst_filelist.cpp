// The shared file list: adding, importing files and folders, removing,
// clearing, the calls of the tool page's FileListChanged, the compact layout.

#include "featurebase.h"
#include "photolist.h"
#include "questions.h"
#include "pdfbuild.h"
#include "testsupport.h"

#include <QListWidget>
#include <QPushButton>
#include <QTemporaryDir>
#include <QtTest>

using namespace testsupport;

namespace {

// A tool page that records what the list tells it.
class RecordingTool : public FeatureBase
{
public:
    explicit RecordingTool(const BrandingRecord& record)
        : FeatureBase(nullptr, record)
    {
    }
    void FileListChanged(QStringList paths) override { calls << paths; }
    QList<QStringList> calls;
};

BrandingRecord record(int tool)
{
    CustomFileNames names;
    names.directory = QStringLiteral("/nonexistent");
    return makeBrandingRecord(names, 1, tool, false);
}

} // namespace

class TestFileList : public QObject
{
    Q_OBJECT

    QTemporaryDir dir;

    QString file(const QString& relative, bool pdf = true)
    {
        const QString path = dir.filePath(relative);
        QDir().mkpath(QFileInfo(path).absolutePath());
        if (pdf) {
            writeTextPdf(path, {relative});
        } else {
            QFile f(path);
            f.open(QIODevice::WriteOnly);
            f.write("text");
        }
        return path;
    }

    static void press(PhotoList& list, const char* button)
    {
        list.findChild<QPushButton*>(QLatin1String(button))->click();
    }

private slots:
    void initTestCase()
    {
        QVERIFY(dir.isValid());
    }

    void addingFiles()
    {
        RecordingTool tool(record(1));
        PhotoList list(nullptr, &tool, record(1));
        const QString a = file(QStringLiteral("add/a.pdf"));
        list.addFile(a);
        list.addFile(a); // duplicates are kept
        list.addFile(QStringLiteral("/no/such/file.pdf")); // unreadable files too
        QCOMPARE(list.files, (QStringList{a, a, QStringLiteral("/no/such/file.pdf")}));
        QCOMPARE(list.listWidget()->count(), 3);
        QCOMPARE(list.listWidget()->item(0)->text(), QStringLiteral("a.pdf"));
        QCOMPARE(list.listWidget()->item(2)->text(), QStringLiteral("file.pdf"));
        for (int i = 0; i < 3; ++i) {
            QCOMPARE(list.listWidget()->item(i)->sizeHint(), QSize(170, 200));
            QVERIFY(!list.listWidget()->item(i)->icon().isNull());
        }
        // Paths are stored with the platform's separators.
        list.addFile(QStringLiteral("/x//y/./z.pdf"));
        QCOMPARE(list.files.last(), QDir::toNativeSeparators(QStringLiteral("/x//y/./z.pdf")));
        QVERIFY(tool.calls.isEmpty()); // adding alone does not tell the page
    }

    void importFromFiles()
    {
        RecordingTool tool(record(1));
        PhotoList list(nullptr, &tool, record(1));
        ScriptedQuestions script;
        script.installed();
        const QString a = file(QStringLiteral("imp/a.pdf")), b = file(QStringLiteral("imp/b.pdf"));
        script.queue(Question::OpenFileNames, QStringList{b, a});
        press(list, "pushButton");
        QCOMPARE(list.files, (QStringList{b, a}));
        QCOMPARE(tool.calls, (QList<QStringList>{{b, a}}));
        QCOMPARE(script.asked().first().filter, QStringLiteral("PDF files(*.PDF)"));
        QCOMPARE(script.asked().first().parent, static_cast<QWidget*>(&list));

        script.queue(Question::OpenFileNames, QStringList()); // cancelled: still told
        press(list, "pushButton");
        QCOMPARE(list.files.size(), 2);
        QCOMPARE(tool.calls.size(), 2);
        QCOMPARE(tool.calls.last(), (QStringList{b, a}));
    }

    void importFromFolder()
    {
        RecordingTool tool(record(1));
        PhotoList list(nullptr, &tool, record(1));
        ScriptedQuestions script;
        script.installed();
        const QString folder = dir.filePath(QStringLiteral("folder"));
        const QString c = file(QStringLiteral("folder/c.Pdf"));
        const QString a = file(QStringLiteral("folder/a.pdf"));
        const QString b = file(QStringLiteral("folder/B.PDF"));
        file(QStringLiteral("folder/notes.txt"), false);
        file(QStringLiteral("folder/inner/d.pdf")); // not recursive
        QDir(folder).mkdir(QStringLiteral("e.pdf"));  // a folder is no file

        script.queue(Question::ExistingDirectory, folder);
        press(list, "pushButton_2");
        QCOMPARE(list.files, (QStringList{a, b, c}));
        QCOMPARE(tool.calls.size(), 1);
        QVERIFY(script.asked().first().parent == nullptr);

        script.queue(Question::ExistingDirectory, QString());
        press(list, "pushButton_2");
        QCOMPARE(list.files.size(), 3);
        QCOMPARE(tool.calls.size(), 2);

        // The images tool imports by its own patterns.
        RecordingTool images(record(5));
        PhotoList imageList(nullptr, &images, record(5));
        file(QStringLiteral("pics/x.PNG"), false);
        file(QStringLiteral("pics/y.jpg"), false);
        file(QStringLiteral("pics/z.gif"), false);
        script.queue(Question::ExistingDirectory, dir.filePath(QStringLiteral("pics")));
        press(imageList, "pushButton_2");
        QCOMPARE(imageList.files.size(), 2);
    }

    void removeAndClear()
    {
        RecordingTool tool(record(1));
        PhotoList list(nullptr, &tool, record(1));
        const QStringList paths = {file(QStringLiteral("rm/1.pdf")), file(QStringLiteral("rm/2.pdf")),
                                   file(QStringLiteral("rm/3.pdf"))};
        for (const QString& p : paths)
            list.addFile(p);

        press(list, "pushButton_3"); // nothing selected: nothing removed, page still told
        QCOMPARE(list.files, paths);
        QCOMPARE(tool.calls, (QList<QStringList>{paths}));

        list.listWidget()->item(1)->setSelected(true);
        press(list, "pushButton_3");
        QCOMPARE(list.files, (QStringList{paths.at(0), paths.at(2)}));
        QCOMPARE(list.listWidget()->count(), 2);
        QCOMPARE(list.listWidget()->item(1)->text(), QStringLiteral("3.pdf"));
        QCOMPARE(tool.calls.last(), list.files);

        list.listWidget()->item(1)->setSelected(true);
        press(list, "pushButton_3");
        QCOMPARE(list.files, QStringList{paths.at(0)});

        press(list, "pushButton_4");
        QVERIFY(list.files.isEmpty());
        QCOMPARE(list.listWidget()->count(), 0);
        QCOMPARE(tool.calls.last(), QStringList());
        QCOMPARE(tool.calls.size(), 4);
    }

};

QTEST_MAIN(TestFileList)
#include "tst_filelist.moc"
