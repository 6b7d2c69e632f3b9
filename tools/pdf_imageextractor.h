#pragma once

#include "featurebase.h"

namespace Ui {
class PDF_ImageExtractor;
}

// Saves every image of the PDFs of the list as a PNG or JPEG file into a
// chosen folder, named after its source: report_image_0.png, report_image_1.png ...
class PDF_ImageExtractor : public FeatureBase
{
    Q_OBJECT

public:
    PDF_ImageExtractor(QWidget* parent, const BrandingRecord& record);
    ~PDF_ImageExtractor() override;

public slots:
    void Process(QStringList paths) override;
    void ApplyHeaderPalette() override;

private:
    // Writes one image, held in the job's temporary file, to its output.
    void save(const fileList& job, const QByteArray& format);

    Ui::PDF_ImageExtractor* ui;
};
