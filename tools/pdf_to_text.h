#pragma once

#include "featurebase.h"

namespace Ui {
class PDF_To_Text;
}

// Extracts the text of every PDF of the list into UTF-8 text files, one per
// PDF or one per page, keeping the page layout or in content order. All text
// is read first; only then is the output folder asked for.
class PDF_To_Text : public FeatureBase
{
    Q_OBJECT

public:
    PDF_To_Text(QWidget* parent, const BrandingRecord& record);
    ~PDF_To_Text() override;

    // The name of the text of a whole PDF, or of one page (page > 0), beside
    // the PDF: report.pdf gives report.txt and "report Page 2.txt".
    static QString TextFileName(const QString& pdf, int page = 0);

public slots:
    void Process(QStringList paths) override;
    // The headings keep their own colours.
    void ApplyHeaderPalette() override {}

private slots:
    void on_pushButton_Default_clicked();

private:
    Ui::PDF_To_Text* ui;
};
