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

} // namespace

Option Option::toggle(const QString& name, const QString& description, const QString& button)
{
    Option o;
    o.name = name;
    o.description = description;
    o.control = button;
    return o;
}

Option Option::value(const QString& name, const QString& valueName, const QString& description,
                     const QString& control)
{
    Option o;
    o.name = name;
    o.valueName = valueName;
    o.description = description;
    o.control = control;
    return o;
}

Option Option::choice(const QString& name, const QString& description, const QMap<QString, QString>& choices)
{
    Option o;
    o.name = name;
    o.valueName = QStringList(choices.keys()).join(QLatin1Char('|'));
    o.description = description;
    o.choices = choices;
    return o;
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
