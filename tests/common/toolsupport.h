#pragma once

// Tool pages driven as the window drives them: the branding record of a tool
// and a run whose questions are answered from a script.

#include "brandingrecord.h"
#include "featurebase.h"
#include "questions.h"
#include "testsupport.h"

#include <QDir>
#include <QObject>
#include <QTemporaryDir>
#include <QtTest>

namespace testsupport {

// The record of that brand and tool, with no Data.dat or icon anywhere.
inline BrandingRecord toolRecord(int tool, int brand = 1)
{
    CustomFileNames names;
    names.directory = QStringLiteral("/nonexistent");
    return makeBrandingRecord(names, brand, tool, false);
}

// A run of a tool that writes into a folder: the folder question is answered
// with `folder` (made first), the password questions with `passwords`.
inline const RunReport& runInFolder(FeatureBase& page, ScriptedQuestions& script, const QStringList& inputs,
                                    const QString& folder, const QStringList& passwords = {})
{
    QDir().mkpath(folder);
    script.queue(Question::ExistingDirectory, folder);
    for (const QString& password : passwords)
        script.queue(Question::Password, password);
    return page.run(inputs);
}

// The frame of a tool's suite: a folder for its files, scripted answers for
// every question, and no answer left over or wrong after any test.
class ToolSuite : public QObject
{
    Q_OBJECT

protected:
    QTemporaryDir dir;
    ScriptedQuestions script;

    ToolSuite() { script.installed(); }
    QString path(const QString& name) const { return dir.filePath(name); }
    // A run of the page on these files of the folder, writing into its folder `out`.
    const RunReport& runIn(FeatureBase& page, const QStringList& names, const QString& out, const QStringList& passwords = {})
    {
        return runInFolder(page, script, pathsIn(dir, names), path(out), passwords);
    }

    // After each test: every answer scripted was asked for, by a question of its kind.
    void checkScript()
    {
        QVERIFY2(script.mismatches().isEmpty(), qPrintable(script.mismatches().join(QLatin1Char('\n'))));
        QCOMPARE(script.pending(), 0);
    }

private slots:
    void cleanup() { checkScript(); }
};

} // namespace testsupport
