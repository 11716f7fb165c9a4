#include "XmlSettings.h"

#include <QDataStream>
#include <QDebug>
#include <QDomDocument>
#include <QIODevice>
#include <QPoint>
#include <QRect>
#include <QSize>
#include <QTextStream>
#include <QXmlStreamReader>

#include <algorithm>

QSettings::Format xmlSettingsFormat = QSettings::InvalidFormat;

namespace {

const QString arrayItemAttribute = QStringLiteral("arrayItem");
// Marks a value written in Qt's INI notation ("@Rect(0 0 640 480)") rather
// than as plain text, so that plain texts need no escaping.
const QString encodingAttribute = QStringLiteral("encoding");
const QString variantEncoding = QStringLiteral("variant");

// What a settings file may be. Far beyond any real one, and small enough
// that a hostile file cannot exhaust the memory: the keys repeat their
// paths, so their total length is bounded apart from the file's size.
const qint64 maximumFileSize = 16 * 1024 * 1024;
const int maximumDepth = 256;
const qint64 maximumKeyCharacters = 8 * 1024 * 1024;

// "size" is never written, an empty "arrayItem" neither: such a key must not
// leave elements behind, which would read back as empty values.
bool writesNothing(const QString &key, const QVariant &value)
{
    const QStringRef leaf = key.midRef(key.lastIndexOf(QLatin1Char('/')) + 1);
    return leaf == QLatin1String("size")
           || (leaf == arrayItemAttribute && value.toString().isEmpty());
}

// Characters an XML document can hold; whitespace alone does not survive
// reading either.
bool fitsXmlText(const QString &text)
{
    bool onlySpace = true;
    for (const QChar c : text) {
        const ushort u = c.unicode();
        if ((u < 0x20 && u != 0x09 && u != 0x0A && u != 0x0D) || u == 0xFFFE || u == 0xFFFF)
            return false;
        onlySpace = onlySpace && c.isSpace();
    }
    return !onlySpace;
}

// Whether `text`, the value's text form, reads back as the same value: an
// empty string is written so, other values need a text of their own.
bool plainTextKeeps(const QVariant &value, const QString &text)
{
    if (value.userType() == QMetaType::QString && text.isEmpty())
        return true;
    if (text.isEmpty() || !fitsXmlText(text))
        return false;
    if (value.userType() == QMetaType::QByteArray)
        return text.toUtf8() == value.toByteArray();
    return true;
}

// Qt's INI notation for values without a faithful text form; bytes are in
// base64, since XML text cannot hold every byte.
QString variantText(const QVariant &value)
{
    switch (value.userType()) {
    case QMetaType::UnknownType:
        return QStringLiteral("@Invalid()");
    case QMetaType::QByteArray:
        return QStringLiteral("@ByteArray(%1)").arg(QLatin1String(value.toByteArray().toBase64()));
    case QMetaType::QRect: {
        const QRect r = value.toRect();
        return QStringLiteral("@Rect(%1 %2 %3 %4)").arg(r.x()).arg(r.y()).arg(r.width()).arg(r.height());
    }
    case QMetaType::QSize: {
        const QSize s = value.toSize();
        return QStringLiteral("@Size(%1 %2)").arg(s.width()).arg(s.height());
    }
    case QMetaType::QPoint: {
        const QPoint p = value.toPoint();
        return QStringLiteral("@Point(%1 %2)").arg(p.x()).arg(p.y());
    }
    default: {
        QByteArray bytes;
        QDataStream stream(&bytes, QIODevice::WriteOnly);
        stream.setVersion(QDataStream::Qt_4_0);
        stream << value;
        return QStringLiteral("@Variant(%1)").arg(QLatin1String(bytes.toBase64()));
    }
    }
}

QVariant variantFromText(const QString &text)
{
    const auto argument = [&text](const char *prefix) {
        const QLatin1String head(prefix);
        return text.startsWith(head) && text.endsWith(QLatin1Char(')'))
                   ? text.mid(head.size(), text.size() - head.size() - 1)
                   : QString();
    };
    const auto numbers = [](const QString &list) {
        QVector<int> result;
        for (const QStringRef &part : list.splitRef(QLatin1Char(' '), Qt::SkipEmptyParts))
            result << part.toInt();
        return result;
    };
    if (text == QLatin1String("@Invalid()"))
        return QVariant();
    if (text.startsWith(QLatin1String("@ByteArray(")))
        return QByteArray::fromBase64(argument("@ByteArray(").toLatin1());
    if (text.startsWith(QLatin1String("@Rect("))) {
        const QVector<int> n = numbers(argument("@Rect("));
        if (n.size() == 4)
            return QRect(n[0], n[1], n[2], n[3]);
    } else if (text.startsWith(QLatin1String("@Size("))) {
        const QVector<int> n = numbers(argument("@Size("));
        if (n.size() == 2)
            return QSize(n[0], n[1]);
    } else if (text.startsWith(QLatin1String("@Point("))) {
        const QVector<int> n = numbers(argument("@Point("));
        if (n.size() == 2)
            return QPoint(n[0], n[1]);
    } else if (text.startsWith(QLatin1String("@Variant("))) {
        QByteArray bytes = QByteArray::fromBase64(argument("@Variant(").toLatin1());
        QDataStream stream(&bytes, QIODevice::ReadOnly);
        stream.setVersion(QDataStream::Qt_4_0);
        QVariant value;
        stream >> value;
        if (stream.status() == QDataStream::Ok)
            return value;
    }
    // Not a form this format writes: the text as it stands.
    return text;
}

int arrayIndex(const QStringRef &segment)
{
    return segment.toInt(nullptr, 10);
}

// QSettings hands the map over in plain text order, which puts item 10 of an
// array before item 2; reading renumbers items by position, so they would
// come back scrambled. Siblings that are both array indexes are therefore
// ordered by number; everything else keeps the text order, so arrays of
// fewer than ten items are written exactly as in text order.
bool writeOrderLess(const QString &a, const QString &b)
{
    const int common = std::mismatch(a.cbegin(), a.cbegin() + std::min(a.size(), b.size()),
                                     b.cbegin()).first - a.cbegin();
    const int segmentStart = common == 0 ? 0 : a.lastIndexOf(QLatin1Char('/'), common - 1) + 1;
    auto segmentOf = [segmentStart](const QString &key) {
        const int slash = key.indexOf(QLatin1Char('/'), segmentStart);
        return key.midRef(segmentStart, slash < 0 ? -1 : slash - segmentStart);
    };
    const int ia = arrayIndex(segmentOf(a));
    const int ib = arrayIndex(segmentOf(b));
    if (ia != 0 && ib != 0 && ia != ib)
        return ia < ib;
    return a < b;
}


// Collects the keys of a document element by element, without recursion and
// without a document type (so no entity is ever expanded). The path of the
// open elements is one string, cut back as they close.
class SettingsReader
{
public:
    explicit SettingsReader(const QByteArray &bytes) : xml(bytes)
    {
        xml.setNamespaceProcessing(false);
    }

    // Fills `keys`; false and the reason when the document is refused.
    bool read(QSettings::SettingsMap *keys, QString *problem)
    {
        map = keys;
        while (!xml.atEnd() && reason.isEmpty()) {
            switch (xml.readNext()) {
            case QXmlStreamReader::DTD:
                reason = QStringLiteral("it has a document type");
                break;
            case QXmlStreamReader::EntityReference:
                reason = QStringLiteral("it refers to an entity");
                break;
            case QXmlStreamReader::Characters:
                text += xml.text();
                textIsSpace = textIsSpace && xml.isWhitespace();
                break;
            case QXmlStreamReader::StartElement:
                takeText();
                open();
                break;
            case QXmlStreamReader::EndElement:
                takeText();
                close();
                break;
            default:
                takeText();
                break;
            }
        }
        if (reason.isEmpty() && xml.hasError())
            reason = QStringLiteral("line %1, column %2: %3")
                         .arg(xml.lineNumber())
                         .arg(xml.columnNumber())
                         .arg(xml.errorString());
        *problem = reason;
        return reason.isEmpty();
    }

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

    void open()
    {
        if (elements.size() >= maximumDepth) {
            reason = QStringLiteral("nested deeper than %1 elements").arg(maximumDepth);
            return;
        }
        const QXmlStreamAttributes attributes = xml.attributes();
        Element element{path.size(), attributes.hasAttribute(arrayItemAttribute),
                        attributes.value(arrayItemAttribute).toString(), 0,
                        attributes.value(encodingAttribute) == variantEncoding, false};
        // The root's own name plays no part.
        if (!elements.isEmpty()) {
            Element &parent = elements.last();
            QString name = xml.qualifiedName().toString();
            // Items are numbered by position, whatever their names carry.
            if (parent.isArray
                && (parent.itemName.isEmpty() ? name.contains(QLatin1String("row_"))
                                              : name == parent.itemName))
                name = QString::number(++parent.count);
            if (!path.isEmpty())
                path += QLatin1Char('/');
            path += name;
        }
        elements.append(element);
    }

    void close()
    {
        const Element element = elements.takeLast();
        // An empty element is no key, unless it is the writer's empty
        // string (an encoded value whose text is empty).
        if (element.encoded && !element.hasValue)
            insert(path, QString());
        if (element.isArray) {
            insert(path + QStringLiteral("/size"), element.count);
            if (!element.itemName.isEmpty())
                insert(path + QStringLiteral("/arrayItem"), element.itemName);
        }
        path.truncate(element.parentPathLength);
    }

    // The text between two other nodes is the element's value; a later one
    // replaces an earlier one, whitespace alone is none.
    void takeText()
    {
        if (!text.isEmpty() && !textIsSpace && !elements.isEmpty()) {
            Element &element = elements.last();
            element.hasValue = true;
            insert(path, element.encoded ? variantFromText(text) : QVariant(text));
        }
        text.clear();
        textIsSpace = true;
    }

    void insert(const QString &key, const QVariant &value)
    {
        keyCharacters += key.size();
        if (keyCharacters > maximumKeyCharacters)
            reason = QStringLiteral("its keys are longer than %1 characters in all").arg(maximumKeyCharacters);
        else
            map->insert(key, value);
    }

    QXmlStreamReader xml;
    QSettings::SettingsMap *map = nullptr;
    QVector<Element> elements;
    QString path;
    QString text;
    bool textIsSpace = true;
    qint64 keyCharacters = 0;
    QString reason;
};

} // namespace

QSettings::Format registerXmlSettingsFormat()
{
    if (xmlSettingsFormat == QSettings::InvalidFormat)
        xmlSettingsFormat = QSettings::registerFormat(QStringLiteral("xml"), readXmlSettings,
                                                      writeXmlSettings, Qt::CaseSensitive);
    return xmlSettingsFormat;
}

bool writeXmlSettings(QIODevice &device, const QSettings::SettingsMap &map)
{
    qDebug() << "-----writeXmlSettings-----";
    QDomDocument document;
    QDomElement root = document.createElement(QStringLiteral("Settings"));
    document.appendChild(root);

    QStringList keys = map.keys();
    std::stable_sort(keys.begin(), keys.end(), writeOrderLess);
    for (const QString &key : qAsConst(keys)) {
        const QVariant value = map.value(key);
        qDebug().nospace() << qPrintable(key) << ": " << value;
        processWriteKey(document, root, key, value);
    }

    document.insertBefore(document.createProcessingInstruction(
                              QStringLiteral("xml"),
                              QStringLiteral("version=\"1.0\" encoding=\"UTF-8\"")),
                          document.firstChild());
    QTextStream stream(&device);
    document.save(stream, 4, QDomNode::EncodingFromDocument);
    return true;
}

void processWriteKey(QDomDocument &document, QDomElement &parent, QString key,
                     const QVariant &value)
{
    if (writesNothing(key, value))
        return;
    const int slash = key.indexOf(QLatin1Char('/'));
    if (slash >= 0) {
        const QString segment = key.left(slash);
        const QString rest = key.mid(slash + 1);
        QString name = segment;
        if (segment.toInt(nullptr, 10) != 0) {
            if (!parent.hasAttribute(arrayItemAttribute))
                parent.setAttribute(arrayItemAttribute, QString());
            const QString itemName = parent.attribute(arrayItemAttribute);
            name = itemName.isEmpty() ? QStringLiteral("row_") + segment : itemName;
        }
        QDomElement child = parent.namedItem(name).toElement();
        if (child.isNull()) {
            child = document.createElement(name);
            parent.appendChild(child);
        }
        processWriteKey(document, child, rest, value);
        return;
    }

    const QString text = value.toString();
    if (key == arrayItemAttribute) {
        parent.setAttribute(arrayItemAttribute, text);
        for (QDomElement child = parent.firstChildElement(); !child.isNull();
             child = child.nextSiblingElement())
            child.setTagName(text);
        return;
    }

    QDomElement element = document.createElement(key);
    if (!plainTextKeeps(value, text)) {
        element.setAttribute(encodingAttribute, variantEncoding);
        element.appendChild(document.createTextNode(variantText(value)));
    } else if (!text.isEmpty()) {
        element.appendChild(document.createTextNode(text));
    } else {
        // A bare empty element reads as no key (older files hold such
        // elements for values they did not keep); the mark keeps the string.
        element.setAttribute(encodingAttribute, variantEncoding);
        qDebug().nospace() << "..\\..\\..\\src\\plugins\\LumoView\\XmlSettings" << "(" << 36
                           << ") processWriteKey key: " << qPrintable(key) << ", value: " << value
                           << " - string empty";
    }
    parent.appendChild(element);
}

bool readXmlSettings(QIODevice &device, QSettings::SettingsMap &map)
{
    // Bounded before anything is parsed: a settings file is a few kilobytes.
    const QByteArray bytes = device.read(maximumFileSize + 1);
    QSettings::SettingsMap keys;
    QString problem;
    if (bytes.size() > maximumFileSize)
        problem = QStringLiteral("larger than %1 bytes").arg(maximumFileSize);
    else
        SettingsReader(bytes).read(&keys, &problem);
    if (!problem.isEmpty()) {
        qWarning("Settings file refused: %s", qPrintable(problem));
        return false;
    }
    for (auto it = keys.cbegin(); it != keys.cend(); ++it)
        map.insert(it.key(), it.value());
    return true;
}
