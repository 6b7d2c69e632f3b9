#pragma once

// What the fuzzer does with every input, and what the regression test
// repeats for every input the fuzzer once found crashing: open the bytes as a
// PDF, then count pages, render page 1, extract its text and find its images.

#include "pdfengine.h"

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QString>

namespace fuzzsequence {

// Returns false only when the engine instance stopped answering sensibly.
inline bool run(PdfEngine& engine, const QByteArray& bytes, const QString& workDir)
{
    const QString input = QDir(workDir).filePath(QStringLiteral("input.pdf"));
    const QString image = QDir(workDir).filePath(QStringLiteral("page.png"));
    QFile f(input);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return true;
    f.write(bytes);
    f.close();

    if (engine.LoadFromFile(input, QString()) == 1) {
        const int id = engine.SelectedDocument();
        engine.PageCount();
        engine.RenderPageToFile(36, 1, 5, image);
        engine.SelectPage(1);
        engine.GetPageText(0);
        engine.GetPageText(7);
        engine.FindImages();
        engine.RemoveDocument(id);
        QFile::remove(image);
    }
    // The instance must stay usable: it always holds at least one document.
    return engine.DocumentCount() >= 1;
}

} // namespace fuzzsequence
