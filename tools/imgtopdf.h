#pragma once

#include "featurebase.h"

namespace Ui {
class ImgToPDF;
}

// Turns the image files of the list into one PDF: a page per image, in list
// order, each as large as its image at the image's own resolution; on
// request a bookmark per page titled with the image's file name.
class ImgToPDF : public FeatureBase
{
    Q_OBJECT

public:
    ImgToPDF(QWidget* parent, const BrandingRecord& record);
    ~ImgToPDF() override;

public slots:
    void Process(QStringList paths) override;
    void ApplyHeaderPalette() override;

private:
    // Puts the image on the selected page, sized by its pixels and recorded
    // resolution; false when it cannot be drawn.
    bool placeImage(int imageId);

    Ui::ImgToPDF* ui;
};
