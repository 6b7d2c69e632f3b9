#include "papersizes.h"

#include <QPageSize>

namespace papersizes {

QMap<QString, int> table()
{
    QMap<QString, int> sizes;
    sizes.insert(QStringLiteral("A0"), QPageSize::A0);
    sizes.insert(QStringLiteral("A1"), QPageSize::A1);
    sizes.insert(QStringLiteral("A2"), QPageSize::A2);
    sizes.insert(QStringLiteral("A3"), QPageSize::A3);
    sizes.insert(QStringLiteral("A4"), QPageSize::A4);
    sizes.insert(QStringLiteral("A5"), QPageSize::A5);
    sizes.insert(QStringLiteral("A6"), QPageSize::A6);
    sizes.insert(QStringLiteral("A7"), QPageSize::A7);
    sizes.insert(QStringLiteral("B0"), QPageSize::B0);
    sizes.insert(QStringLiteral("B1"), QPageSize::B1);
    sizes.insert(QStringLiteral("B2"), QPageSize::B2);
    sizes.insert(QStringLiteral("B3"), QPageSize::B3);
    sizes.insert(QStringLiteral("B4"), QPageSize::B4);
    sizes.insert(QStringLiteral("B5"), QPageSize::B5);
    sizes.insert(QStringLiteral("B5Extra"), QPageSize::B5Extra);
    sizes.insert(QStringLiteral("Letter"), QPageSize::Letter);
    sizes.insert(QStringLiteral("Legal"), QPageSize::Legal);
    sizes.insert(QStringLiteral("Ledger"), QPageSize::Ledger);
    sizes.insert(QStringLiteral("Executive"), QPageSize::Executive);
    sizes.insert(QStringLiteral("Statement"), QPageSize::Statement);
    sizes.insert(QStringLiteral("Postcard"), QPageSize::Postcard);
    return sizes;
}

QSizeF millimetres(const QString& name)
{
    const int id = table().value(name, QPageSize::A4);
    return QPageSize(QPageSize::PageSizeId(id)).size(QPageSize::Millimeter);
}

QString find(const QString& name)
{
    for (const QString& known : table().keys())
        if (known.compare(name, Qt::CaseInsensitive) == 0)
            return known;
    return QString();
}

} // namespace papersizes
