#ifndef EVENTCATALOGUE_H
#define EVENTCATALOGUE_H

#include <QByteArray>
#include <QColor>
#include <QString>

class QTextCodec;

// Record generations of the controller's event log, as passed by the host
// when it opens the log view. Any other value is the current generation.
enum LogRecordGeneration : unsigned {
    LogGeneration2 = 0x2FFFF,
    LogGeneration3 = 0x3FFFF,
    LogGeneration4 = 0x4FFFF
};

// The two texts of one log row. A cell that is not set stays without an item
// in the log table.
struct DecodedLogRow
{
    bool hasSource = false;
    bool hasDescription = false;
    QString source;
    QString description;
};

struct ControlSourceLabel
{
    QString label;
    QColor colour;
};

// True when `ver` selects one of the generations that carry a source column.
bool logGenerationHasSource(unsigned ver);

// Turns one delivered log row into the Source and Description cells. `codec`
// decodes the raw texts of the older generations; null means Windows-1251.
DecodedLogRow decodeLogRow(unsigned ver, int typeId, int val, const QByteArray &data,
                           const QString &descr, QTextCodec *codec = nullptr);

// The catalogue texts; an unknown key gives an empty string.
QString serviceEventText(int key);
QString controlSourceText(int key);
QString controlAlgorithmText(int key);

// The phase chart's legend entry for a control source.
ControlSourceLabel controlSourceLabel(int key);

// The codec of the controllers' raw texts (Windows-1251).
QTextCodec *controllerTextCodec();

#endif // EVENTCATALOGUE_H
