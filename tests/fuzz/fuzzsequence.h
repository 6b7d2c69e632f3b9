#pragma once

// What the fuzzer does with every input, and what the regression test
// repeats for every input the fuzzer once found crashing: open the bytes as a
// PDF, then count pages, render page 1, extract its text, find its images and
// save them as files; then take out its bookmarks, copy pages into a new
// document, compress and save.

#include "pdfengine.h"

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QList>
#include <QString>

namespace fuzzsequence {

// Returns false only when the engine instance stopped answering sensibly.
inline bool run(PdfEngine& engine, const QByteArray& bytes, const QString& workDir)
{
    const QString input = QDir(workDir).filePath(QStringLiteral("input.pdf"));
    const QString image = QDir(workDir).filePath(QStringLiteral("page.png"));
    const QString saved = QDir(workDir).filePath(QStringLiteral("saved.pdf"));
    const QString extracted = QDir(workDir).filePath(QStringLiteral("image"));
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
        const int images = engine.FindImages();
        for (int i = 1; i <= images && i <= 8; ++i)
            if (engine.SelectImage(engine.GetImageID(i)) == 1)
                engine.SaveImageToFile(extracted);
        engine.GetImageListCount(engine.GetPageImageList(0));
        const int outlines = engine.OutlineCount();
        QList<int> ids;
        for (int i = 1; i <= outlines && i <= 50; ++i)
            ids << engine.GetOutlineID(i);
        for (int outline : ids)
            engine.RemoveOutline(outline);

        const int copy = engine.NewDocument();
        engine.CopyPageRanges(id, QStringLiteral("1-3"));
        engine.DeletePages(1, 1);
        engine.SaveToFile(saved);
        engine.RemoveDocument(copy);

        engine.SelectDocument(id);
        engine.CompressContent();
        engine.CompressFonts(1);
        engine.CompressImages(1);
        engine.Decrypt();
        engine.SaveToFile(saved);
        engine.RemoveDocument(id);
        QFile::remove(image);
        QFile::remove(saved);
        QFile::remove(extracted);
    }
    // The instance must stay usable: it always holds at least one document.
    return engine.DocumentCount() >= 1;
}

} // namespace fuzzsequence
