#pragma once

#include "featurebase.h"

#include <QMap>

namespace Ui {
class PDF_Merger;
}

// Joins all PDFs of the list, in list order, into one chosen file; on request
// each source gets a top-level bookmark with its file name at its first page.
class PDF_Merger : public FeatureBase
{
    Q_OBJECT

public:
    PDF_Merger(QWidget* parent, const BrandingRecord& record);
    ~PDF_Merger() override;

    // Inserts (pagesBefore + 1 -> file name of rec's input), replacing an
    // entry with the same page.
    static void AddBookmarkEntry(BookmarkMap& map, const fileList& rec, int pagesBefore);

public slots:
    void Process(QStringList paths) override;
    void ApplyHeaderPalette() override;

private:
    Ui::PDF_Merger* ui;
};
