#pragma once

#include "featurebase.h"

#include <QList>
#include <QString>

namespace Ui {
class PDF_Splitter;
}

// Cuts the first PDF of the list into several: one file per page, one per
// run of N pages, or one of the even and one of the odd pages, optionally
// within a range of pages. Each file goes into a chosen folder under the
// source's name with a suffix (" Page 3", " Page 1-5", " Even", " Odd").
class PDF_Splitter : public FeatureBase
{
    Q_OBJECT

public:
    PDF_Splitter(QWidget* parent, const BrandingRecord& record);
    ~PDF_Splitter() override;

    // Pages as the engine's range list: ascending, comma-separated ("2,4,6").
    static QString PageList(QList<int> pages);

public slots:
    void Process(QStringList paths) override;
    void ApplyHeaderPalette() override;

private:
    // One output file: its name suffix and the engine's range list of its pages.
    struct Part
    {
        QString suffix;
        QString pages;
    };

    // What the form asks that no document allows (bounds or a part size
    // below 1, a first page after the last), or empty; the form is then set
    // back to what always works.
    QString FormProblem();
    // The parts of a document of `pageCount` pages as the form asks, in the
    // order they are written; empty with `problem` set when it has no page
    // in the range.
    QList<Part> Parts(int pageCount, QString* problem);

    Ui::PDF_Splitter* ui;
};
