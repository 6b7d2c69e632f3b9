#include "logformat.h"

#include <QString>
#include <QtGlobal>

void installLogFormat()
{
    qSetMessagePattern(QStringLiteral(
        "%{time hh:mm:ss.zzz} %{if-debug}debug%{endif}%{if-info}info%{endif}%{if-warning}warning%{endif}"
        "%{if-critical}critical%{endif}%{if-fatal}fatal%{endif} %{file}:%{line} %{function}: %{message}"));
}
