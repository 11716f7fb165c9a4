#ifndef XMLSETTINGS_H
#define XMLSETTINGS_H

#include <QSettings>

class QDomDocument;
class QDomElement;
class QIODevice;

// The "xml" QSettings format: keys become a tree of elements below the root
// "Settings", arrays get an "arrayItem" attribute and named or numbered item
// elements.

// The format id returned by the registration, invalid until it is made.
extern QSettings::Format xmlSettingsFormat;

// Registers the format with QSettings (once; later calls are no-ops).
QSettings::Format registerXmlSettingsFormat();

bool writeXmlSettings(QIODevice &device, const QSettings::SettingsMap &map);
bool readXmlSettings(QIODevice &device, QSettings::SettingsMap &map);

// Places one key (a /-separated path) below `parent`.
void processWriteKey(QDomDocument &document, QDomElement &parent, QString key,
                     const QVariant &value);
// Collects the keys of one element's subtree into `map`.
void processReadKey(QString path, QSettings::SettingsMap &map, QDomElement node);

#endif // XMLSETTINGS_H
