#ifndef SERIESCUT_H
#define SERIESCUT_H

class GanttSeries;
class LineSeries;
class PointSeries;

// Cuts a series back to what lies before a key of its time axis, for a view
// that puts the rows of a step in place of its own from a time on. Each
// returns whether anything was cut.
class SeriesCut
{
public:
    static bool points(PointSeries *series, double key);
    // A gap left at the end goes too: the next point draws it again if it
    // is still one.
    static bool line(LineSeries *series, double key);
    // The bars that end at or after `key`.
    static bool bars(GanttSeries *series, double key);
};

#endif // SERIESCUT_H
