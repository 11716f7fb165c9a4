#ifndef EVENTTEMPLATE_H
#define EVENTTEMPLATE_H

#include <QByteArray>
#include <QString>

// Expands an event type's description template against one event's data
// bytes. Bytes beyond `size` read as zero, so no template can make the
// expansion read outside the data.
QString expandEventTemplate(QString description, const char *data, int size);

// The host-facing entry: empty when the data holds fewer than 12 bytes.
QString parseLogRecord(const QString &description, const QByteArray &data);

#endif // EVENTTEMPLATE_H
