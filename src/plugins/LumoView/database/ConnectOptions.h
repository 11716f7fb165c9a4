#ifndef CONNECTOPTIONS_H
#define CONNECTOPTIONS_H

#include <QString>

// Connect options that bound how long a connection may hold its thread for
// a server that does not answer, in the form each Qt SQL driver reads them.
namespace ConnectOptions {

// `options` followed by a time-out of `connectSeconds` for opening the
// connection and, where the driver has them (MySQL), time-outs of
// `readSeconds` for every read and write; 0 leaves those out. A later
// option overrides an earlier one of the same name in both drivers.
QString withTimeouts(const QString &driver, const QString &options, int connectSeconds,
                     int readSeconds = 0);

} // namespace ConnectOptions

#endif // CONNECTOPTIONS_H
