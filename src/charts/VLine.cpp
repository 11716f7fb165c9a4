#include "VLine.h"

VLine::VLine(const QDateTime &time, const QColor &color, int width)
    : m_time(time)
    , m_color(color)
    , m_width(width)
{
}
