#pragma once

#include "featurebase.h"

namespace Ui {
class PDFtoImg;
}

// Renders the pages of the first PDF of the list: one JPEG, BMP or PNG file
// per page into a chosen folder ("report Page 3.png"), or every page into one
// multi-page TIFF file, at the chosen resolution.
class PDFtoImg : public FeatureBase
{
    Q_OBJECT

public:
    // The formats in the order of the form's list.
    enum Format { Jpeg = 0, Bmp = 1, Png = 2, Tiff = 3 };

    PDFtoImg(QWidget* parent, const BrandingRecord& record);
    ~PDFtoImg() override;

public slots:
    void Process(QStringList paths) override;
    void ApplyHeaderPalette() override;
    // The quality row belongs to JPEG alone.
    void on_comboBox_currentIndexChanged(int index);

private:
    void writeTiff(const fileList& source, int pages, int dpi, const QString& work);
    void writePages(const fileList& source, int pages, int dpi, Format format, const QString& work);
    // Renders one page into `made` in the format; false when nothing usable was written.
    bool renderPage(int page, int dpi, Format format, const QString& made);

    Ui::PDFtoImg* ui;
};
