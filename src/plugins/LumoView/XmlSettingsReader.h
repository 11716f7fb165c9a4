#ifndef XMLSETTINGSREADER_H
#define XMLSETTINGSREADER_H

#include <QSettings>
#include <QString>
#include <QVector>
#include <QXmlStreamReader>

class QIODevice;

// Reads a document of the "xml" settings format into keys, element by
// element: without recursion and without a document type (so no entity is
// ever expanded), and only within the bounds of a settings file. The path of
// the open elements is one string, cut back as they close.
class XmlSettingsReader
{
public:
    // The attributes of the format: the items' name of an array element,
    // and the mark of a value in Qt's INI notation ("@Rect(0 0 640 480)")
    // rather than plain text, so that plain texts need no escaping.
    static const QString arrayItemAttribute;
    static const QString encodingAttribute;
    static const QString variantEncoding;

    // What a settings file may be. Far beyond any real one, and small enough
    // that a hostile file cannot exhaust the memory: the keys repeat their
    // paths, so their total length is bounded apart from the file's size.
    static constexpr qint64 maximumFileSize = 16 * 1024 * 1024;
    static constexpr int maximumDepth = 256;
    static constexpr qint64 maximumKeyCharacters = 8 * 1024 * 1024;

    // Reads the device to its end. False and the reason, with `keys` in an
    // undefined state, when the document is refused.
    static bool read(QIODevice &device, QSettings::SettingsMap *keys, QString *problem);

    // A value in the INI notation; a text in no form the format writes is
    // the text itself.
    static QVariant decoded(const QString &text);

private:
    struct Element
    {
        int parentPathLength;
        bool isArray;
        QString itemName;
        int count;
        bool encoded;
        bool hasValue;
    };

    XmlSettingsReader(const QByteArray &bytes, QSettings::SettingsMap *keys);
    QString readDocument();
    void open();
    void close();
    void takeText();
    void insert(const QString &key, const QVariant &value);

    QXmlStreamReader xml;
    QSettings::SettingsMap *map;
    QVector<Element> elements;
    QString path;
    QString text;
    bool textIsSpace = true;
    qint64 keyCharacters = 0;
    QString reason;
};

#endif // XMLSETTINGSREADER_H
