#pragma once

#include "brandingrecord.h"

class FeatureBase;
class QWidget;

// The tool page for a branding record's edition code. Codes of tools that do
// not exist (yet), and every code outside 10001 ... 10015, get a PDF_Merger.
FeatureBase* createFeature(const BrandingRecord& record, QWidget* parent = nullptr);
