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
// Adds the keys of the document to `map`. A file that is not well-formed, has
// a document type, or exceeds the bounds of a settings file (its size, its
// nesting, the total length of its keys) adds nothing and gives false.
bool readXmlSettings(QIODevice &device, QSettings::SettingsMap &map);

// Places one key (a /-separated path) below `parent`.
void processWriteKey(QDomDocument &document, QDomElement &parent, QString key,
                     const QVariant &value);

#endif // XMLSETTINGS_H
