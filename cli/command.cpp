#include "command.h"

#include <algorithm>

namespace cli {

namespace {

// Filled by the static Registrations of commands/*.cpp, before main runs.
QList<Command>& registry()
{
    static QList<Command> list;
    return list;
}

Option named(const QString& name, const QString& valueName, const QString& description, const QString& control)
{
    Option o;
    o.name = name;
    o.valueName = valueName;
    o.description = description;
    o.control = control;
    return o;
}

} // namespace

Option Option::toggle(const QString& name, const QString& description, const QString& button)
{
    return named(name, QString(), description, button);
}

Option Option::value(const QString& name, const QString& valueName, const QString& description,
                     const QString& control)
{
    return named(name, valueName, description, control);
}

Option Option::choice(const QString& name, const QString& description, const QMap<QString, QString>& choices,
                      const QString& combo)
{
    Option o = named(name, QStringList(choices.keys()).join(QLatin1Char('|')), description, combo);
    o.choices = choices;
    return o;
}

Option Option::tickAndType(const QString& name, const QString& valueName, const QString& description,
                           const QString& checkBox, const QString& control)
{
    Option o = named(name, valueName, description, control);
    o.tick = checkBox;
    return o;
}

Option Option::colour(const QString& name, const QString& description, const QString& button)
{
    Option o = named(name, QStringLiteral("COLOUR"), description, button);
    o.click = true;
    o.answersColour = true;
    return o;
}

Option Option::pressing(const QString& name, const QString& description, const QString& button)
{
    Option o = named(name, QString(), description, button);
    o.click = true;
    return o;
}

Option Option::listing(const QString& name, const QString& description,
                       const std::function<QString(FeatureBase& page, QTextStream& out)>& lists)
{
    Option o = named(name, QString(), description, QString());
    o.lists = lists;
    return o;
}

Option Option::printing(const QString& name, const QString& description)
{
    Option o = named(name, QString(), description, QString());
    o.apply = [](OptionContext&, const QString&) { return QString(); };
    return o;
}

Option Option::dialogChoice(const QString& name, const QString& description, const QStringList& choices,
                            const QString& button)
{
    Option o = named(name, choices.join(QLatin1Char('|')), description, button);
    o.click = true;
    o.dialogChoices = choices;
    return o;
}

const ToolRow& Command::row() const
{
    return *findTool(int(tool));
}

int Command::maximumInputs() const
{
    return row().count == ToolRow::Count::SingleFile ? 1 : -1;
}

Registration::Registration(const Command& command)
{
    registry().append(command);
}

QList<Command> commands()
{
    QList<Command> list = registry();
    std::sort(list.begin(), list.end(), [](const Command& a, const Command& b) { return a.name < b.name; });
    return list;
}

const Command* findCommand(const QString& name)
{
    for (const Command& c : registry())
        if (c.name == name)
            return &c;
    return nullptr;
}

} // namespace cli
