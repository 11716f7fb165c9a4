#include "EventTemplate.h"

#include <QCoreApplication>
#include <QStringList>
#include <QtEndian>

namespace {

// The event data seen as little-endian 32-bit words; missing bytes are zero.
class EventWords
{
public:
    EventWords(const char *data, int size) : m_data(data), m_size(qMax(0, size)) {}

    quint8 byteAt(int word) const
    {
        const qint64 offset = qint64(word) * 4;
        return offset < m_size ? quint8(m_data[offset]) : 0;
    }

    qint32 wordAt(int word) const
    {
        quint32 value = 0;
        for (int i = 3; i >= 0; --i) {
            const qint64 offset = qint64(word) * 4 + i;
            value = (value << 8) | (offset < m_size ? quint8(m_data[offset]) : 0u);
        }
        return qint32(value);
    }

private:
    const char *m_data;
    qint64 m_size;
};

const char *const table1[] = {"приемника", "АСУДД", "табло", "интеллектуального ВПУ",
    "детекторов N1", "детекторов N2", "детекторов N3", "детекторов N4", "Эл.счетчика"};
const char *const table2[] = {"'отсутствует'", "'локальное'", "'контролер 2'", "'АСУДД'",
    "'ВПУ'", "'инженерный пульт'", "'клавиатура П.П.'", "'аварийное'"};
const char *const table3[] = {"'програмный сброс'", "'включение питания'", "'внешний сброс'",
    "'включение питания и внешний сброс'", "'супервизор питания'",
    "'включение и супервизор питания'", "'6'", "'7'", "'сторожевой таймер'"};
const char *const table4[] = {
    "'задействуется встроенное обновление модуля АСУДД'", "'найден код для EEPROM'",
    "'начато обновление ПО'", "'завершено обновление ПО'",
    "'размер кода для обновления некорректен'", "'ошибка CRC кода обновления ПО'",
    "'версия кода обновления ПО устарела'", "'загрузчик в целевом устройстве не обнаружен '",
    "'ошибка обмена по SPI'", "'ошибка обмена по TWI'", "'ошибочный ответ от загрузчика'",
    "'ошибка CRC при обмене с загрузчиком'", "'нет готовности при обмене с загрузчиком'",
    "'нет подходящего ID устройства'", "'обновления ПО ЦП не произошло'",
    "'запрос на обновление ПО'", "'код для обновления ПО не найден'",
    "'найден код для сетевых устройств'", "'неисправность NTWC'",
    "'ошибка сетевого устройства'", "'критическая ошибка сетевого устройства'",
    "'исчерпано число попыток'"};
const char *const table5[] = {"'некорректно'", "'с последующм сбросом'",
    "'по возможности без сброса'", "'без сброса'"};
const char *const table6[] = {"'контроль защищённой области'", "'начало копирования'",
    "'копирование завершено'", "'подмена рабочих переменных'"};
const char *const table7[] = {"'отсутствует'", "'не завершена предыдущая перезапись'",
    "'нет аппаратного доступа'", "'размер за допустимыми пределами'",
    "'несовпадение контрольной суммы'", "'несовпадение защищённой области 1'",
    "'несовпадение защищённой области 2'"};

struct TextTable {
    const char *const *texts;
    int size;
};

const TextTable textTables[] = {
    {table1, int(std::size(table1))}, {table2, int(std::size(table2))},
    {table3, int(std::size(table3))}, {table4, int(std::size(table4))},
    {table5, int(std::size(table5))}, {table6, int(std::size(table6))},
    {table7, int(std::size(table7))},
};

const QString &overflowMessage()
{
    // Translated once; thread-safe by the rules of function-local statics.
    static const QString message = QObject::tr("ERROR: overflow substitute type %1");
    return message;
}

QString hex(quint32 value)
{
    return QString::number(value, 16).rightJustified(2, QLatin1Char('0'));
}

QString updateTarget(qint32 word)
{
    if (word < 0 || word >= 18)
        return QString::fromUtf8("ошибочный");
    if (word == 16)
        return QStringLiteral("NTWC");
    if (word == 17)
        return QStringLiteral("CPU");
    return QStringLiteral("SPI %1").arg(word);
}

// Expands a `$V(...)` list; `rest` is the template after the code.
QString variantItem(QString &rest, qint32 word)
{
    const int close = rest.indexOf(QLatin1Char(')'));
    if (!rest.startsWith(QLatin1Char('(')) || close < 0)
        return QObject::tr("ERROR: invalid variant list");
    const QStringList items = rest.mid(1, close - 1).split(QLatin1Char(','));
    rest.remove(0, close + 1);
    if (word < 0 || word >= items.size())
        return QObject::tr("ERROR: invalid variant index %1").arg(word);
    return items.at(word);
}

} // namespace

QString expandEventTemplate(QString description, const char *data, int size)
{
    if (!data)
        return QString();
    const EventWords words(data, size);
    QString result;
    int k = 0;
    while (!description.isEmpty()) {
        const int p = description.indexOf(QLatin1Char('$'));
        if (p < 0)
            break;
        const QChar codeChar = p + 1 < description.size() ? description.at(p + 1) : QChar();
        result += description.leftRef(p);
        description.remove(0, p + 2);
        const char code = codeChar.unicode() < 256 ? char(codeChar.unicode()) : '\0';
        switch (code) {
        case 'i':
            result += QString::number(words.byteAt(k++));
            break;
        case 's':
            result += QString::number(qint8(words.byteAt(k++)));
            break;
        case 'h':
            result += QString::number(qint8(words.byteAt(k++)) >> 4);
            break;
        case 'l':
            result += QString::number(words.byteAt(k) & 0x0f);
            break;
        case 'x':
            result += hex(words.byteAt(k++)) + QLatin1Char('h');
            break;
        case 'I':
        case 'X': {
            const quint16 value = quint16(words.byteAt(k + 1) * 256 + words.byteAt(k));
            k += 2;
            result += code == 'I' ? QString::number(value) : hex(value) + QLatin1Char('h');
            break;
        }
        case 'S': {
            const quint32 high = quint32(words.wordAt(k + 1)) << 8;
            result += QString::number(qint32(high + quint32(words.wordAt(k))));
            k += 2;
            break;
        }
        case '1': case '2': case '3': case '4': case '5': case '6': case '7': {
            const TextTable &table = textTables[code - '1'];
            const qint32 word = words.wordAt(k++);
            result += word >= 0 && word < table.size ? QString::fromUtf8(table.texts[word])
                                                     : overflowMessage().arg(code - '0');
            break;
        }
        case 'a':
            result += updateTarget(words.wordAt(k++));
            break;
        case 'V':
            result += variantItem(description, words.wordAt(k));
            break;
        default:
            result += QObject::tr("ERROR: unknown conversion code %1h").arg(hex(quint32(words.wordAt(k++))));
            break;
        }
    }
    result += description;
    if (result.isEmpty()) {
        result = QString::asprintf("%02xh %02xh %02xh %02xh", words.byteAt(4), words.byteAt(5),
                                   words.byteAt(6), words.byteAt(7));
    }
    return result;
}

QString parseLogRecord(const QString &description, const QByteArray &data)
{
    if (data.size() < 12)
        return QString();
    return expandEventTemplate(description, data.constData(), data.size());
}
