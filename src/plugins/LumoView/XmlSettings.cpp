#include "XmlSettings.h"

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

const QString arrayItemAttribute = QStringLiteral("arrayItem");
// Marks a value written in Qt's INI notation ("@Rect(0 0 640 480)") rather
// than as plain text, so that plain texts need no escaping.
const QString encodingAttribute = QStringLiteral("encoding");
const QString variantEncoding = QStringLiteral("variant");

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
        qDebug().nospace() << "..\\..\\..\\src\\plugins\\LumoView\\XmlSettings" << "(" << 36
                           << ") processWriteKey key: " << qPrintable(key) << ", value: " << value
                           << " - string empty";
    }
    parent.appendChild(element);
}

bool readXmlSettings(QIODevice &device, QSettings::SettingsMap &map)
{
    QDomDocument document;
    QString message;
    int line = 0;
    int column = 0;
    if (!document.setContent(&device, &message, &line, &column)) {
        qWarning().nospace() << "Settings file is not well-formed XML (line " << line
                             << ", column " << column << "): " << qPrintable(message);
        return false;
    }
    processReadKey(QString(), map, document.documentElement());
    return true;
}

void processReadKey(QString path, QSettings::SettingsMap &map, QDomElement node)
{
    const bool isArray = node.hasAttribute(arrayItemAttribute);
    const QString itemName = node.attribute(arrayItemAttribute);
    int count = 0;

    // An element with neither content nor attributes is an empty value (it is
    // written so); the root is never a value.
    if (!path.isEmpty() && !node.hasChildNodes() && !node.hasAttributes())
        map[path] = QString();

    for (QDomNode child = node.firstChild(); !child.isNull(); child = child.nextSibling()) {
        if (child.isText()) {
            const QString text = child.toText().data();
            map[path] = node.attribute(encodingAttribute) == variantEncoding ? variantFromText(text)
                                                                             : QVariant(text);
            continue;
        }
        if (!child.isElement())
            continue;
        QString name = child.toElement().tagName();
        if (isArray
            && ((!itemName.isEmpty() && name == itemName)
                || (itemName.isEmpty() && name.contains(QLatin1String("row_"))))) {
            ++count;
            name = QString::number(count);
        }
        processReadKey(path.isEmpty() ? name : path + QLatin1Char('/') + name, map,
                       child.toElement());
    }

    if (isArray) {
        map[path + QStringLiteral("/size")] = count;
        if (!itemName.isEmpty())
            map[path + QStringLiteral("/arrayItem")] = itemName;
    }
}
