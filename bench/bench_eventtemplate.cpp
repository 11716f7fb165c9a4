// Expansion of 100 000 event descriptions against the plainest code that
// builds the same texts with QString::arg.
#include "decoding/EventTemplate.h"

#include <QElapsedTimer>
#include <QRandomGenerator>
#include <QVector>

#include <cstdio>
#include <functional>

namespace {

qint64 bestOf(int runs, const std::function<qint64()> &run, qint64 *checksum)
{
    qint64 best = std::numeric_limits<qint64>::max();
    for (int i = 0; i < runs; ++i) {
        QElapsedTimer timer;
        timer.start();
        *checksum += run();
        best = std::min(best, timer.nsecsElapsed());
    }
    return best;
}

} // namespace

int main()
{
    const int rows = 100000;
    QRandomGenerator random(20261206);
    QVector<QByteArray> data(rows);
    for (QByteArray &bytes : data) {
        bytes.resize(16);
        for (int i = 0; i < 16; i += 4) {
            const quint32 word = random.bounded(8u);
            bytes[i] = char(word);
            bytes[i + 1] = bytes[i + 2] = bytes[i + 3] = 0;
        }
    }
    const QString description = QStringLiteral("Группа $i: состояние $2, код $x, источник $1");

    qint64 sink = 0;
    const qint64 module = bestOf(5, [&] {
        qint64 length = 0;
        for (const QByteArray &bytes : data)
            length += parseLogRecord(description, bytes).size();
        return length;
    }, &sink);
    // The same texts written by hand: numbers and a lookup, no parsing.
    static const char *const states[] = {"'отсутствует'", "'локальное'", "'контролер 2'", "'АСУДД'",
                                         "'ВПУ'", "'инженерный пульт'", "'клавиатура П.П.'",
                                         "'аварийное'"};
    const qint64 baseline = bestOf(5, [&] {
        qint64 length = 0;
        for (const QByteArray &bytes : data) {
            length += QStringLiteral("Группа %1: состояние %2, код %3h, источник %4")
                          .arg(quint8(bytes[0]))
                          .arg(QString::fromUtf8(states[quint8(bytes[4])]))
                          .arg(quint8(bytes[8]), 2, 16, QLatin1Char('0'))
                          .arg(quint8(bytes[12]))
                          .size();
        }
        return length;
    }, &sink);

    std::printf("| work | rows | module ms | plain QString::arg ms | ratio |\n|---|---:|---:|---:|---:|\n"
                "| event templates expanded | %d | %.1f | %.1f | %.2f |\n\n(checksum %lld)\n",
                rows, module / 1e6, baseline / 1e6, double(module) / double(baseline),
                static_cast<long long>(sink));
    return 0;
}
