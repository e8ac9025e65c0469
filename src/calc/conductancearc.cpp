#include "conductancearc.h"

#include <cmath>

void ConductanceArc::setCenter(double c)
{
    center = c;
}

void ConductanceArc::setCenterThrough(double x, double y)
{
    center = (x * x + y * y) * 0.5 / x;
}

double ConductanceArc::ordinateAt(double x) const
{
    return std::sqrt(x * (2 * center) - x * x);
}

void ConductanceArc::setStartAngle(double x, double y)
{
    startAngle = std::atan2(y, x - center);
}

void ConductanceArc::setEndAngle(double x, double y)
{
    endAngle = std::atan2(y, x - center);
}
