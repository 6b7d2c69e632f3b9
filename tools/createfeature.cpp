#include "createfeature.h"

#include "pdf_merger.h"

FeatureBase* createFeature(const BrandingRecord& record, QWidget* parent)
{
    switch (record.code()) {
    case 10001:
        return new PDF_Merger(parent, record);
    default:
        return new PDF_Merger(parent, record);
    }
}
