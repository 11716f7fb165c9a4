#include "XmlSettingsReader.h"

#include <QDataStream>
#include <QIODevice>
#include <QPoint>
#include <QRect>
#include <QSize>

const QString XmlSettingsReader::arrayItemAttribute = QStringLiteral("arrayItem");
const QString XmlSettingsReader::encodingAttribute = QStringLiteral("encoding");
const QString XmlSettingsReader::variantEncoding = QStringLiteral("variant");

bool XmlSettingsReader::read(QIODevice &device, QSettings::SettingsMap *keys, QString *problem)
{
    // Bounded before anything is parsed.
    const QByteArray bytes = device.read(maximumFileSize + 1);
    if (bytes.size() > maximumFileSize)
        *problem = QStringLiteral("larger than %1 bytes").arg(maximumFileSize);
    else
        *problem = XmlSettingsReader(bytes, keys).readDocument();
    return problem->isEmpty();
}

XmlSettingsReader::XmlSettingsReader(const QByteArray &bytes, QSettings::SettingsMap *keys)
    : xml(bytes), map(keys)
{
    xml.setNamespaceProcessing(false);
}

QString XmlSettingsReader::readDocument()
{
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
    return reason;
}

void XmlSettingsReader::open()
{
    if (elements.size() >= maximumDepth) {
        reason = QStringLiteral("nested deeper than %1 elements").arg(maximumDepth);
        return;
    }
    const QXmlStreamAttributes attributes = xml.attributes();
    const Element element{path.size(), attributes.hasAttribute(arrayItemAttribute),
                          attributes.value(arrayItemAttribute).toString(), 0,
                          attributes.value(encodingAttribute) == variantEncoding, false};
    // The root's own name plays no part.
    if (!elements.isEmpty()) {
        Element &parent = elements.last();
        QString name = xml.qualifiedName().toString();
        // Items are numbered by position, whatever their names carry.
        if (parent.isArray
            && (parent.itemName.isEmpty() ? name.contains(QLatin1String("row_")) : name == parent.itemName))
            name = QString::number(++parent.count);
        if (!path.isEmpty())
            path += QLatin1Char('/');
        path += name;
    }
    elements.append(element);
}

void XmlSettingsReader::close()
{
    const Element element = elements.takeLast();
    // An empty element is no key, unless it is the writer's empty string
    // (an encoded value whose text is empty).
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
void XmlSettingsReader::takeText()
{
    if (!text.isEmpty() && !textIsSpace && !elements.isEmpty()) {
        Element &element = elements.last();
        element.hasValue = true;
        insert(path, element.encoded ? decoded(text) : QVariant(text));
    }
    text.clear();
    textIsSpace = true;
}

void XmlSettingsReader::insert(const QString &key, const QVariant &value)
{
    keyCharacters += key.size();
    if (keyCharacters > maximumKeyCharacters)
        reason = QStringLiteral("its keys are longer than %1 characters in all").arg(maximumKeyCharacters);
    else
        map->insert(key, value);
}

QVariant XmlSettingsReader::decoded(const QString &text)
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
