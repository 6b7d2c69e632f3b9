#include "controls.h"

#include "command.h"
#include "featurebase.h"

#include <QAbstractButton>
#include <QAbstractSlider>
#include <QColor>
#include <QComboBox>
#include <QDoubleSpinBox>
#include <QFontComboBox>
#include <QLineEdit>
#include <QLocale>
#include <QSpinBox>
#include <QValidator>

namespace cli {

namespace {

QWidget* control(OptionContext& context, const QString& name)
{
    return name.isEmpty() ? nullptr : context.page.findChild<QWidget*>(name);
}

// A button pressed as a user would: a checkable one ends up checked (and
// tells its slots it was clicked), any other one is clicked.
void press(QAbstractButton* button, bool clickAlways)
{
    if (clickAlways || !button->isCheckable() || !button->isChecked())
        button->click();
}

QString comboItems(const QComboBox* combo)
{
    QStringList items;
    for (int i = 0; i < combo->count(); ++i)
        items << combo->itemText(i);
    return items.join(QStringLiteral(", "));
}

// Whether a validator (none: anything goes) takes the value as it stands.
bool acceptable(const QValidator* validator, QString value)
{
    int position = 0;
    return !validator || validator->validate(value, position) == QValidator::Acceptable;
}

// What a validator takes, in the words of an error.
QString expected(const QValidator* validator)
{
    if (const auto* range = qobject_cast<const QIntValidator*>(validator))
        return QStringLiteral("must be a whole number from %1 to %2").arg(range->bottom()).arg(range->top());
    return QStringLiteral("is not accepted there");
}

// Puts a value into a control that takes one; what is wrong, or empty.
QString type(QWidget* widget, const QString& name, const QString& value)
{
    const QLocale c = QLocale::c();
    bool ok = false;
    if (auto* spin = qobject_cast<QSpinBox*>(widget)) {
        const int n = c.toInt(value, &ok);
        if (!ok || n < spin->minimum() || n > spin->maximum())
            return QStringLiteral("must be a whole number from %1 to %2").arg(spin->minimum()).arg(spin->maximum());
        spin->setValue(n);
    } else if (auto* spin = qobject_cast<QDoubleSpinBox*>(widget)) {
        const double d = c.toDouble(value, &ok);
        if (!ok || d < spin->minimum() || d > spin->maximum())
            return QStringLiteral("must be a number from %1 to %2").arg(spin->minimum()).arg(spin->maximum());
        spin->setValue(d);
    } else if (auto* slider = qobject_cast<QAbstractSlider*>(widget)) {
        const int n = c.toInt(value, &ok);
        if (!ok || n < slider->minimum() || n > slider->maximum())
            return QStringLiteral("must be a whole number from %1 to %2").arg(slider->minimum()).arg(slider->maximum());
        slider->setValue(n);
    } else if (auto* combo = qobject_cast<QComboBox*>(widget)) {
        int index = combo->findText(value, Qt::MatchFixedString);
        // A font box takes only a family it lists, though one may type there
        // (a family it does not list would silently become another one); a
        // family that several foundries make is listed as "Family [foundry]".
        const bool fonts = qobject_cast<QFontComboBox*>(combo) != nullptr;
        if (index < 0 && fonts)
            index = combo->findText(value + QStringLiteral(" ["), Qt::MatchStartsWith);
        if (index >= 0)
            combo->setCurrentIndex(index);
        else if (fonts)
            return QStringLiteral("is not an installed font family (fc-list : family lists them)");
        else if (combo->isEditable() && !acceptable(combo->validator(), value))
            return expected(combo->validator());
        else if (combo->isEditable())
            combo->setCurrentText(value);
        else
            return QStringLiteral("must be one of: %1").arg(comboItems(combo));
    } else if (auto* line = qobject_cast<QLineEdit*>(widget)) {
        // Typed, so that the page hears of it as of a user's typing.
        line->selectAll();
        line->del();
        line->insert(value);
        if (line->text() != value || !line->hasAcceptableInput())
            return QStringLiteral("is not accepted there");
        emit line->editingFinished();
    } else {
        return QStringLiteral("the tool page's %1 takes no value").arg(name);
    }
    return QString();
}

bool takesValue(QWidget* widget)
{
    return qobject_cast<QAbstractSpinBox*>(widget) || qobject_cast<QAbstractSlider*>(widget)
           || qobject_cast<QComboBox*>(widget) || qobject_cast<QLineEdit*>(widget);
}

QString applyOption(const Option& option, OptionContext& context, const QString& value)
{
    if (option.apply)
        return option.apply(context, value);

    if (!option.dialogChoices.isEmpty()) {
        int index = -1;
        for (int i = 0; i < option.dialogChoices.size() && index < 0; ++i)
            if (option.dialogChoices.at(i).compare(value, Qt::CaseInsensitive) == 0)
                index = i;
        auto* button = qobject_cast<QAbstractButton*>(control(context, option.control));
        if (index < 0)
            return QStringLiteral("must be one of %1").arg(option.valueName);
        if (!button)
            return QStringLiteral("the tool page has no button %1").arg(option.control);
        context.questions.queue(Question::Choice, index);
        press(button, true);
        return QString();
    }

    if (!option.choices.isEmpty()) {
        QString target;
        for (auto it = option.choices.constBegin(); it != option.choices.constEnd(); ++it)
            if (it.key().compare(value, Qt::CaseInsensitive) == 0)
                target = it.value();
        if (target.isEmpty())
            return QStringLiteral("must be one of %1").arg(option.valueName);
        if (auto* combo = qobject_cast<QComboBox*>(control(context, option.control))) {
            const int index = combo->findText(target, Qt::MatchFixedString);
            if (index < 0)
                return QStringLiteral("the tool page's %1 has no item %2").arg(option.control, target);
            combo->setCurrentIndex(index);
            return QString();
        }
        auto* button = qobject_cast<QAbstractButton*>(control(context, target));
        if (!button)
            return QStringLiteral("the tool page has no button %1").arg(target);
        press(button, false);
        return QString();
    }

    if (!option.tick.isEmpty()) {
        auto* box = qobject_cast<QAbstractButton*>(control(context, option.tick));
        if (!box)
            return QStringLiteral("the tool page has no check box %1").arg(option.tick);
        press(box, false);
    }

    QWidget* widget = control(context, option.control);
    if (!widget)
        return QStringLiteral("the tool page has no control %1").arg(option.control);
    if (option.valueName.isEmpty() || option.answersColour) {
        auto* button = qobject_cast<QAbstractButton*>(widget);
        if (!button)
            return QStringLiteral("the tool page's %1 is no button").arg(option.control);
        if (option.answersColour) {
            if (!QColor::isValidColor(value))
                return QStringLiteral("is not a colour (#rrggbb or a name such as darkred)");
            context.questions.queue(Question::Color, QColor(value));
        }
        press(button, option.click);
        return QString();
    }
    return type(widget, option.control, value);
}

} // namespace

QString setOption(const Option& option, OptionContext& context, const QString& value)
{
    // A page that refuses what it was asked to do says why in a message: for
    // the command line, that makes the option a mistake.
    const int asked = int(context.questions.asked().size());
    QString wrong = applyOption(option, context, value);
    for (int i = asked; wrong.isEmpty() && i < context.questions.asked().size(); ++i)
        if (context.questions.asked().at(i).kind == Question::Report)
            wrong = context.questions.asked().at(i).text;
    return wrong;
}

QString checkOption(const Option& option, OptionContext& context)
{
    if (option.apply || option.lists)
        return QString();
    if (!option.choices.isEmpty()) {
        if (!option.control.isEmpty()) {
            auto* combo = qobject_cast<QComboBox*>(control(context, option.control));
            if (!combo)
                return QStringLiteral("no combo box %1").arg(option.control);
            for (const QString& item : option.choices)
                if (combo->findText(item, Qt::MatchFixedString) < 0)
                    return QStringLiteral("%1 has no item %2").arg(option.control, item);
            return QString();
        }
        for (const QString& button : option.choices)
            if (!qobject_cast<QAbstractButton*>(control(context, button)))
                return QStringLiteral("no button %1").arg(button);
        return QString();
    }
    if (!option.tick.isEmpty()) {
        auto* box = qobject_cast<QAbstractButton*>(control(context, option.tick));
        if (!box || !box->isCheckable())
            return QStringLiteral("no check box %1").arg(option.tick);
    }
    QWidget* widget = control(context, option.control);
    if (option.valueName.isEmpty() || option.answersColour || !option.dialogChoices.isEmpty())
        return qobject_cast<QAbstractButton*>(widget) ? QString() : QStringLiteral("no button %1").arg(option.control);
    return takesValue(widget) ? QString() : QStringLiteral("no control %1 that takes a value").arg(option.control);
}

} // namespace cli
