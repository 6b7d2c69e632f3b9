#include "numberentry.h"

#include <QDoubleValidator>
#include <QLineEdit>

namespace numberentry {

namespace {

QLocale localeOf(const QLineEdit* entry)
{
    if (const auto* validator = qobject_cast<const QDoubleValidator*>(entry->validator()))
        return validator->locale();
    return entry->locale();
}

} // namespace

void accept(QLineEdit* entry, double bottom, double top, int decimals)
{
    QLocale locale = entry->locale();
    locale.setNumberOptions(QLocale::OmitGroupSeparator | QLocale::RejectGroupSeparator);
    auto* validator = new QDoubleValidator(bottom, top, decimals, entry);
    validator->setNotation(QDoubleValidator::StandardNotation);
    validator->setLocale(locale);
    entry->setValidator(validator);
}

double value(const QLineEdit* entry, bool* ok)
{
    bool read = false;
    const double number = localeOf(entry).toDouble(entry->text().trimmed(), &read);
    read = read && entry->hasAcceptableInput();
    if (ok)
        *ok = read;
    return read ? number : 0.0;
}

void setValue(QLineEdit* entry, double value)
{
    entry->setText(localeOf(entry).toString(value, 'g', 6));
}

} // namespace numberentry
