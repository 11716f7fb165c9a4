#ifndef VLINE_H
#define VLINE_H

#include <QColor>
#include <QDateTime>
#include <QObject>

// A vertical marker across the whole plot at a point in time.
class VLine : public QObject
{
    Q_OBJECT
public:
    VLine(const QDateTime &time, const QColor &color, int width);

    QDateTime time() const { return m_time; }
    QColor color() const { return m_color; }
    int width() const { return m_width; }

private:
    QDateTime m_time;
    QColor m_color;
    int m_width;
};

#endif // VLINE_H
