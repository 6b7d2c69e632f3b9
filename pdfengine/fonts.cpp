// Fonts, drawn text and HTML text boxes.

#include "instance.h"

namespace fpe {

int Instance::AddTrueTypeFont(const QString&, int)
{
    return 0;
}

int Instance::SelectFont(int)
{
    return 0;
}

int Instance::SetTextSize(double)
{
    return 0;
}

int Instance::SetTextColor(double, double, double)
{
    return 0;
}

double Instance::GetTextHeight()
{
    return 0;
}

int Instance::DrawText(double, double, const QString&)
{
    return 0;
}

int Instance::SetHTMLNormalFont(const QString&, int)
{
    return 0;
}

QString Instance::DrawHTMLTextBox(double, double, double, double, const QString&)
{
    return QString();
}

} // namespace fpe
