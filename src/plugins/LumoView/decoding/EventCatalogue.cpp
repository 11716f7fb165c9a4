#include "EventCatalogue.h"

#include <QHash>
#include <QTextCodec>

namespace {

using TextMap = QHash<int, QString>;

// Function-local statics: built once on first use, thread-safe, and kept for
// the life of the process.
const TextMap &serviceEvents()
{
    static const TextMap map{
        {1, QStringLiteral("Запуск службы")},
        {2, QStringLiteral("Остановка службы")},
        {5, QStringLiteral("ДК подключился")},
        {6, QStringLiteral("ДК отключился")},
    };
    return map;
}

const TextMap &controlSources()
{
    static const TextMap map{
        {0, QStringLiteral("отсутствует - технологический приём существует не более 1сек")},
        {1, QStringLiteral("календарная автоматика")},
        {2, QStringLiteral("контролер 2 уровня (в настоящее время не существует)")},
        {3, QStringLiteral("АСУДД")},
        {4, QStringLiteral("ВПУ")},
        {5, QStringLiteral("инженерный пульт")},
        {6, QStringLiteral("клавиатура передней панели контроллера")},
        {7, QStringLiteral("обработчик ошибок - соответствует аварийному ОС или ЖМ")},
    };
    return map;
}

const TextMap &controlAlgorithms()
{
    static const TextMap map{
        {0, QStringLiteral("Желтое мигание")},
        {1, QStringLiteral("Таймер")},
        {2, QStringLiteral("Таймер с координацией")},
        {3, QStringLiteral("Пешеходный")},
        {4, QStringLiteral("Вызывные фазы")},
        {5, QStringLiteral("Вызывные фазы с координацией")},
        {6, QStringLiteral("Алгоритм поиска разрыва потока транспорта")},
        {7, QStringLiteral("Поворот из накопителя на приоритетном направлении")},
        {8, QStringLiteral("Последовательность проезда")},
        {9, QStringLiteral("Алгоритм поиска разрыва потока транспорта с координацией")},
        {10, QStringLiteral("Два псевдо независимых пешеходных поста")},
        {11, QStringLiteral("Переключение по контрольным точкам")},
        {12, QStringLiteral("Алгоритм Вебстера")},
        {13, QStringLiteral("Контроль по длине очереди")},
        {14, QStringLiteral("Две вызывные фазы к каждой основной по разным  условиям")},
        {15, QStringLiteral("Две вызывные фазы к каждой основной по разным  условиям с координацией")},
        {16, QStringLiteral("Расширенный алгоритм поиска разрыва потока транспорта")},
        {17, QStringLiteral("Расширенный алгоритм поиска разрыва потока транспорта с координацией")},
        {18, QStringLiteral("Разъезд по одной полосе (тоннель) с подсчётом ТС")},
        {19, QStringLiteral("Разъезд по одной полосе (тоннель) с датчиками тоннеля")},
        {20, QStringLiteral("Пешеходный M")},
        {21, QStringLiteral("Приоритетный пропуск транспорта")},
        {22, QStringLiteral("Приоритетный пропуск транспорта с координацией")},
        {23, QStringLiteral("Поиск разрыва с координацией (разность на последней фазе)")},
        {24, QStringLiteral("Поиск разрыва с критерием \"рыхлости потока\"")},
        {25, QStringLiteral("Поиск разрыва с критерием \"рыхлости потока\" и координацией")},
        {26, QStringLiteral("Поиск разрыва с вызывной фазой")},
        {40, QStringLiteral("Лента времени")},
        {41, QStringLiteral("Последовательность фаз")},
        {42, QStringLiteral("Цикл фаз")},
        {43, QStringLiteral("Цикл фаз с координацией")},
        {44, QStringLiteral("Многокольцевой")},
        {45, QStringLiteral("Многокольцевой с координацией")},
        {46, QStringLiteral("Многокольцевой с приоритетным пропуском транспорта")},
        {47, QStringLiteral("Многокольцевой с приоритетным пропуском транспорта и координацией")},
        {240, QStringLiteral("Стартовый период включения (переход КК-ЖМ-программа)")},
        {248, QStringLiteral("Плавный переход от одной программы (алгоритма) к другой")},
        {251, QStringLiteral("МГР в системе АСУДД \"Тирель\" - устарел")},
        {252, QStringLiteral("Управление на уровне вызова фаз")},
        {253, QStringLiteral("Управление на уровне групп")},
        {254, QStringLiteral("Управление на уровне прямого обращения к ключам")},
        {255, QStringLiteral("Нет алгоритма используемого в настоящее время - заморозка состояния")},
    };
    return map;
}

// UTF-8 up to the first zero byte.
QString utf8UpToZero(const QByteArray &bytes)
{
    const int zero = bytes.indexOf('\0');
    return QString::fromUtf8(zero < 0 ? bytes : bytes.left(zero));
}

QString decodeRaw(const QByteArray &bytes, QTextCodec *codec)
{
    return codec->toUnicode(bytes);
}

DecodedLogRow descriptionOnly(const QString &text)
{
    DecodedLogRow row;
    row.hasDescription = true;
    row.description = text;
    return row;
}

// Generation 2: "source:description".
DecodedLogRow decodeGeneration2(const QByteArray &data, QTextCodec *codec)
{
    DecodedLogRow row;
    const QList<QByteArray> parts = data.split(':');
    if (parts.size() != 2)
        return row;
    row.hasSource = row.hasDescription = true;
    row.source = utf8UpToZero(parts.at(0));
    row.description = decodeRaw(parts.at(1), codec);
    return row;
}

// Generations 3 and 4, other event types: "first source description…",
// words separated by spaces only.
DecodedLogRow decodeWords(const QByteArray &data, QTextCodec *codec)
{
    DecodedLogRow row;
    const int size = data.size();
    int pos = 0;
    auto skipSpaces = [&] {
        while (pos < size && data.at(pos) == ' ')
            ++pos;
    };

    skipSpaces();
    int end = data.indexOf(' ', pos);
    if (end < 0)
        return row;
    pos = end;
    skipSpaces();
    const int sourceStart = pos;
    end = data.indexOf(' ', pos);
    if (end < 0)
        return row;
    const QByteArray source = data.mid(sourceStart, end - sourceStart);
    pos = end;
    skipSpaces();

    row.hasSource = row.hasDescription = true;
    row.source = QString::fromUtf8(source);
    row.description = decodeRaw(data.mid(pos), codec);
    return row;
}

} // namespace

QTextCodec *controllerTextCodec()
{
    static QTextCodec *const codec = QTextCodec::codecForName("Windows-1251");
    return codec;
}

bool logGenerationHasSource(unsigned ver)
{
    return ver == LogGeneration2 || ver == LogGeneration3 || ver == LogGeneration4;
}

QString serviceEventText(int key)
{
    return serviceEvents().value(key);
}

QString controlSourceText(int key)
{
    return controlSources().value(key);
}

QString controlAlgorithmText(int key)
{
    return controlAlgorithms().value(key);
}

DecodedLogRow decodeLogRow(unsigned ver, int typeId, int val, const QByteArray &data,
                           const QString &descr, QTextCodec *codec)
{
    if (!codec)
        codec = controllerTextCodec();

    switch (ver) {
    case LogGeneration2:
        return decodeGeneration2(data, codec);
    case LogGeneration3:
    case LogGeneration4:
        break;
    default:
        return descriptionOnly(descr);
    }

    const auto lookUp = [val](const TextMap &map, const QString &fallback) {
        const auto it = map.constFind(val);
        return descriptionOnly(it != map.constEnd() ? *it : fallback);
    };
    switch (typeId) {
    case 1:
        return lookUp(serviceEvents(), QStringLiteral("Неизвесное событие №%1").arg(val));
    case 2:
        return lookUp(controlSources(), QString::number(val));
    case 3:
        return lookUp(controlAlgorithms(), QString::number(val));
    default:
        return decodeWords(data, codec);
    }
}

ControlSourceLabel controlSourceLabel(int key)
{
    switch (key) {
    case 1:
        return {QStringLiteral("календарная автоматика"), QColor(Qt::green)};
    case 3:
        return {QStringLiteral("АСУДД"), QColor(Qt::cyan)};
    case 4:
        return {QStringLiteral("ВПУ"), QColor(Qt::darkCyan)};
    case 5:
        return {QStringLiteral("инженерный пульт"), QColor(Qt::darkMagenta)};
    case 6:
        return {QStringLiteral("клавиатура передней панели контроллера"), QColor(Qt::magenta)};
    case 7:
        return {QStringLiteral("обработчик ошибок"), QColor(Qt::black)};
    default:
        return {QStringLiteral("неизвестный режим"), QColor(Qt::gray)};
    }
}
