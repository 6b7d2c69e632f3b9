#include "createfeature.h"

#include "pdf_merger.h"

#include <cmath>

FeatureBase* createFeature(const BrandingRecord& record, QWidget* parent)
{
    switch (int(std::lround(double(record.editionCode)))) {
    case 10001:
        return new PDF_Merger(parent, record);
    default:
        return new PDF_Merger(parent, record);
    }
}
