#include "XmlSettings.h"

#include "XmlSettingsReader.h"

#include <QDataStream>
#include <QDebug>
#include <QDomDocument>
#include <QIODevice>
#include <QPoint>
#include <QRect>
#include <QSize>
#include <QTextStream>

#include <algorithm>

QSettings::Format xmlSettingsFormat = QSettings::InvalidFormat;

namespace {

const QString &arrayItemAttribute = XmlSettingsReader::arrayItemAttribute;
const QString &encodingAttribute = XmlSettingsReader::encodingAttribute;
const QString &variantEncoding = XmlSettingsReader::variantEncoding;

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
    QSettings::SettingsMap keys;
    QString problem;
    if (!XmlSettingsReader::read(device, &keys, &problem)) {
        qWarning("Settings file refused: %s", qPrintable(problem));
        return false;
    }
    for (auto it = keys.cbegin(); it != keys.cend(); ++it)
        map.insert(it.key(), it.value());
    return true;
}
