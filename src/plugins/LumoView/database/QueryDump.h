#ifndef QUERYDUMP_H
#define QUERYDUMP_H

#include <QString>

// The process-wide dump of every statement any worker executes, switched by
// the host through the facade. Records of concurrent workers stay whole.
namespace QueryDump {

// Every later record goes to `fileName`; earlier ones stay where they are.
void start(const QString &fileName);
void stop();
// One record: the statement as it is sent, followed by a line feed.
void write(const QString &statement);

} // namespace QueryDump

#endif // QUERYDUMP_H
