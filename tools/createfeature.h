#pragma once

#include "brandingrecord.h"

class FeatureBase;
class QWidget;

// The tool page of a branding record, made by its row of the tool table. A
// record that names no tool of the family (another brand, no Data.dat, a
// number outside the table) gets a PDF_Merger. A tool of the table whose
// page this program lacks gets none: the result is null and *missing says
// which tool it was, so that the caller can refuse it instead of showing
// another tool under its name.
FeatureBase* createFeature(const BrandingRecord& record, QWidget* parent = nullptr, QString* missing = nullptr);
