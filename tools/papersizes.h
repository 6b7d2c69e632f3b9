#pragma once

// The named paper sizes of the tools that make or resize pages.

#include <QMap>
#include <QSizeF>
#include <QString>

namespace papersizes {

// Paper name -> QPageSize::PageSizeId; a new map on every call, in name order.
QMap<QString, int> table();
// Width and height in millimetres of a paper name, as Qt stores the size
// (portrait for most, landscape for Ledger); unknown names give A4.
QSizeF millimetres(const QString& name);
// The table's name that equals `name` without regard to case; empty when none.
QString find(const QString& name);

} // namespace papersizes
