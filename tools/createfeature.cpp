#include "createfeature.h"

#include "pdf_merger.h"
#include "tooltable.h"

FeatureBase* createFeature(const BrandingRecord& record, QWidget* parent, QString* missing)
{
    if (!record.row)
        return new PDF_Merger(parent, record);
    if (!record.row->create) {
        if (missing)
            *missing = QString::fromLatin1(record.row->name);
        return nullptr;
    }
    return record.row->create(parent, record);
}
