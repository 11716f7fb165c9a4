#include "XmlSettings.h"

#include <QDebug>
#include <QDomDocument>
#include <QIODevice>
#include <QTextStream>

#include <algorithm>

QSettings::Format xmlSettingsFormat = QSettings::InvalidFormat;

namespace {

const QString arrayItemAttribute = QStringLiteral("arrayItem");

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
            // A lone "size" below a group writes nothing, so it must not leave
            // an empty element behind either: that would read back as an
            // empty value of the group's own key.
            if (rest == QLatin1String("size"))
                return;
            child = document.createElement(name);
            parent.appendChild(child);
        }
        processWriteKey(document, child, rest, value);
        return;
    }

    if (key == QLatin1String("size"))
        return;
    const QString text = value.toString();
    if (key == arrayItemAttribute) {
        if (text.isEmpty())
            return;
        parent.setAttribute(arrayItemAttribute, text);
        for (QDomElement child = parent.firstChildElement(); !child.isNull();
             child = child.nextSiblingElement())
            child.setTagName(text);
        return;
    }

    QDomElement element = document.createElement(key);
    if (!text.isEmpty()) {
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
            map[path] = child.toText().data();
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
