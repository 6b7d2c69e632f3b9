#pragma once

// Tool pages driven as the window drives them: the branding record of a tool
// and a run whose questions are answered from a script.

#include "brandingrecord.h"
#include "featurebase.h"
#include "questions.h"

#include <QDir>

namespace testsupport {

// The record of brand 1 and that tool, with no Data.dat or icon anywhere.
inline BrandingRecord toolRecord(int tool)
{
    CustomFileNames names;
    names.directory = QStringLiteral("/nonexistent");
    return makeBrandingRecord(names, 1, tool, false);
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

} // namespace testsupport
