// The event log view on the day of a controller that logs high-resolution
// events (bench/run loads days of 1 000 000 and 3 000 000 events): every
// action an operator takes on it, timed from the action to its result on
// screen, with the event loop's worst lateness meanwhile (a 5 ms tick), and
// every result checked: each cell of the load against a plain fetch of the
// same rows, each sorted order, the rows of each filter and the saved file.
// LUMOVIEW_BENCH_SCREENSHOT=FILE.png pictures the view sorted and searched.
// `bench_logday follow`: the view following today (LogFollowBench.h).
#include "LoopProbe.h"
#include "LogFollowBench.h"
#include "PeakMemory.h"
#include "PlainFetch.h"
#include "TestServers.h"

#include "database/RequestStatements.h"
#include "decoding/EventCatalogue.h"
#include "views/CsvWriter.h"
#include "views/LogView.h"

#include <QApplication>
#include <QCollator>
#include <QDateEdit>
#include <QFile>
#include <QFileDialog>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMouseEvent>
#include <QPushButton>
#include <QSet>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTextCodec>
#include <QTimer>

#include <malloc.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <functional>

namespace {

const QString searched = QStringLiteral("занят");

long residentKb()
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray &line : status.readAll().split('\n')) {
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').value(0).toLong();
    }
    return -1;
}

// A row's texts as one number; a cell without an item is told apart from
// an empty one.
quint64 rowHash(const QStringList &cells)
{
    quint64 h = 1469598103934665603ULL;
    for (const QString &cell : cells) {
        for (const QChar c : cell)
            h = (h ^ c.unicode()) * 1099511628211ULL;
        h = (h ^ 0x1f) * 1099511628211ULL;
    }
    return h;
}

const QString noItem(1, QChar(0xfffe));

QStringList tableRow(const QTableWidget *table, int row)
{
    QStringList cells;
    for (int c = 0; c < table->columnCount(); ++c) {
        const QTableWidgetItem *item = table->item(row, c);
        cells << (item ? item->text() : noItem);
    }
    return cells;
}

void clickHeader(QHeaderView *header, int section)
{
    const QPoint at(header->sectionViewportPosition(section) + 5, 5);
    QMouseEvent press(QEvent::MouseButtonPress, at, Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(header->viewport(), &press);
    QMouseEvent release(QEvent::MouseButtonRelease, at, Qt::LeftButton, Qt::NoButton, Qt::NoModifier);
    QCoreApplication::sendEvent(header->viewport(), &release);
}

struct Step
{
    double ms = -1;
    double worstMs = 0;
    bool ok = false;
    QString text() const
    {
        if (ms < 0)
            return QStringLiteral("not run");
        return QString::asprintf("%.0f ms, worst %.0f ms%s", ms, worstMs, ok ? "" : " WRONG");
    }
};

struct Figures
{
    int rows = 0;
    double plainMs = 0;
    Step load;
    double firstRowMs = -1;
    double addedMb = 0;
    double peakMb = 0;
    Step sorts[4];
    Step russianSort;
    Step typeFilter;
    Step search;
    Step cleared;
    Step save;
    Step refresh;
    Step cancel;
    double worstMs() const
    {
        double worst = load.worstMs;
        for (const Step *s : {&sorts[0], &sorts[1], &sorts[2], &sorts[3], &russianSort, &typeFilter, &search,
                              &cleared, &save, &refresh, &cancel})
            worst = std::max(worst, s->worstMs);
        return worst;
    }
};

class DayBench
{
public:
    explicit DayBench(const QString &server)
        : server(server)
        , db(TestServers::connection(server, QStringLiteral("view-") + server))
        , plain(TestServers::connection(server, QStringLiteral("plain-") + server))
        , statements(RequestStatements(TestServers::isPostgres(server)).log(1, day, day.addDays(1), 0x5FFFF))
    {
        if (!plain.open())
            std::fprintf(stderr, "%s: %s\n", qPrintable(server), qPrintable(plain.lastError().text()));
    }

    Figures run();

private:
    void readReference();
    bool sortedBy(int column, Qt::SortOrder order) const;
    Step sortStep(int section, Qt::SortOrder order);
    Step filterStep(int expected, const std::function<void()> &change, const std::function<bool(int)> &rowOk);
    Step saveStep();

    const QString server;
    const QDate day = TestServers::day();
    QSqlDatabase db;
    QSqlDatabase plain;
    const QStringList statements;
    QMutex mutex;

    QVector<quint64> reference;
    QHash<QString, int> ofType;
    int withSearched = 0;

    LogView *view = nullptr;
    QTableWidget *table = nullptr;
    QPushButton *refresh = nullptr;
    LoopProbe probe;
    QTemporaryDir files;
};

void DayBench::readReference()
{
    QString text = statements.value(0);
    if (TestServers::isPostgres(server))
        text.replace(QLatin1Char('`'), QLatin1Char('"'));
    QSqlQuery q(plain);
    q.setForwardOnly(true);
    q.exec(text);
    const QString clock = QStringLiteral("hh:mm:ss");
    while (q.next()) {
        const QString type = q.value(3).toString();
        const DecodedLogRow decoded =
            decodeLogRow(0x5FFFF, q.value(2).toInt(), q.value(5).toInt(), q.value(6).toByteArray(), q.value(4).toString());
        reference.append(rowHash({q.value(0).toDateTime().time().toString(clock), q.value(1).toTime().toString(clock),
                                  type, decoded.hasDescription ? decoded.description : noItem}));
        ++ofType[type];
        withSearched += type.contains(searched, Qt::CaseInsensitive)
            || (decoded.hasDescription && decoded.description.contains(searched, Qt::CaseInsensitive));
    }
}

// Adjacent rows in the order of the column, the rows without its cell last.
bool DayBench::sortedBy(int column, Qt::SortOrder order) const
{
    const QCollator collator;
    for (int r = 1; r < table->rowCount(); ++r) {
        const QTableWidgetItem *a = table->item(r - 1, column);
        const QTableWidgetItem *b = table->item(r, column);
        if (!a && b)
            return false;
        if (!a || !b)
            continue;
        const int c = collator.compare(a->text(), b->text());
        if (order == Qt::AscendingOrder ? c > 0 : c < 0)
            return false;
    }
    return true;
}

Step DayBench::sortStep(int section, Qt::SortOrder order)
{
    QHeaderView *header = table->horizontalHeader();
    Step s;
    probe.start();
    QElapsedTimer wall;
    wall.start();
    clickHeader(header, section);
    runUntil([&] {
        return header->sortIndicatorSection() == section && header->sortIndicatorOrder() == order
            && table->updatesEnabled();
    });
    table->viewport()->repaint();
    s.ms = wall.nsecsElapsed() / 1e6;
    s.worstMs = probe.stop();
    s.ok = table->rowCount() == reference.size() && sortedBy(section, order);
    return s;
}

Step DayBench::filterStep(int expected, const std::function<void()> &change, const std::function<bool(int)> &rowOk)
{
    Step s;
    probe.start();
    QElapsedTimer wall;
    wall.start();
    change();
    runUntil([&] { return table->updatesEnabled() && table->rowCount() == expected; }, 60000);
    table->viewport()->repaint();
    s.ms = wall.nsecsElapsed() / 1e6;
    s.worstMs = probe.stop();
    s.ok = table->rowCount() == expected && sortedBy(0, Qt::DescendingOrder);
    for (int r = 0; s.ok && r < table->rowCount(); ++r)
        s.ok = rowOk(r);
    return s;
}

Step DayBench::saveStep()
{
    auto *save = view->findChild<QPushButton *>(QStringLiteral("saveData"));
    const QString fileName = files.filePath(QStringLiteral("day.csv"));
    Step s;
    QElapsedTimer wall;
    // Answers the dialog as soon as it is up; the time runs from there.
    QTimer answer;
    QObject::connect(&answer, &QTimer::timeout, [&] {
        if (auto *dialog = qobject_cast<QFileDialog *>(QApplication::activeModalWidget())) {
            answer.stop();
            dialog->findChild<QLineEdit *>(QStringLiteral("fileNameEdit"))->setText(fileName);
            probe.start();
            wall.start();
            QMetaObject::invokeMethod(dialog, "accept");
        }
    });
    answer.start(20);
    save->click();
    runUntil([&] { return save->isEnabled(); });
    s.ms = wall.nsecsElapsed() / 1e6;
    s.worstMs = probe.stop();

    // The file, byte for byte, against the table's cells.
    QFile file(fileName);
    s.ok = file.open(QIODevice::ReadOnly);
    QTextCodec *codec = QTextCodec::codecForLocale();
    const auto expectLine = [&](const QStringList &fields) {
        const QByteArray line = codec->fromUnicode(CsvWriter::line(fields) + QLatin1Char('\n'));
        s.ok = s.ok && file.read(line.size()) == line;
    };
    expectLine({QStringLiteral("Time"), QStringLiteral("Device time"), QStringLiteral("Type"),
                QStringLiteral("Description")});
    for (int r = 0; s.ok && r < table->rowCount(); ++r) {
        QStringList fields = tableRow(table, r);
        fields.replaceInStrings(noItem, QString());
        expectLine(fields << QString());
    }
    s.ok = s.ok && file.atEnd();
    return s;
}

Figures DayBench::run()
{
    Figures f;
    int rows = 0;
    f.plainMs = plainFetchNsecs(plain, statements, &rows) / 1e6;
    f.plainMs = std::min(f.plainMs, plainFetchNsecs(plain, statements, &rows) / 1e6);
    f.rows = rows;
    readReference();
    QString mostFrequent;
    for (auto it = ofType.cbegin(); it != ofType.cend(); ++it) {
        if (mostFrequent.isEmpty() || *it > ofType.value(mostFrequent))
            mostFrequent = it.key();
    }

    resetPeakMemory();
    const long before = residentKb();
    LogView logView(nullptr, 1, 0x5FFFF, &db, &mutex);
    view = &logView;
    view->resize(1000, 700);
    view->show();
    table = view->findChild<QTableWidget *>(QStringLiteral("tableWidget"));
    refresh = view->findChild<QPushButton *>(QStringLiteral("updateData"));
    QCoreApplication::processEvents();
    runUntil([this] { return refresh->isEnabled(); });
    auto *date = view->findChild<QDateEdit *>(QStringLiteral("dateEdit"));
    date->blockSignals(true);
    date->setDate(day);
    date->blockSignals(false);

    // The load: from Refresh to the last row shown and Refresh enabled.
    probe.start();
    QElapsedTimer wall;
    wall.start();
    refresh->click();
    runUntil([&] {
        if (f.firstRowMs < 0 && table->rowCount() > 0)
            f.firstRowMs = wall.nsecsElapsed() / 1e6;
        return refresh->isEnabled() && table->rowCount() == reference.size();
    });
    table->viewport()->repaint();
    f.load.ms = wall.nsecsElapsed() / 1e6;
    f.load.worstMs = probe.stop();
    f.peakMb = (peakRssKb() - before) / 1024.0;
    malloc_trim(0);
    f.addedMb = (residentKb() - before) / 1024.0;
    f.load.ok = table->rowCount() == reference.size();
    for (int r = 0; f.load.ok && r < table->rowCount(); ++r)
        f.load.ok = rowHash(tableRow(table, r)) == reference.at(r);

    // Header sorts: Description, Event type, Time and Time reversed.
    f.sorts[0] = sortStep(3, Qt::AscendingOrder);
    f.sorts[1] = sortStep(2, Qt::AscendingOrder);
    f.sorts[2] = sortStep(0, Qt::AscendingOrder);
    f.sorts[3] = sortStep(0, Qt::DescendingOrder);

    // On the table newest first: the most frequent type, every row again, a
    // search text pasted.
    QAction *typeAction = nullptr;
    for (QAction *action : view->findChild<QPushButton *>(QStringLiteral("typeFilter"))->menu()->actions()) {
        if (action->data().toString() == mostFrequent)
            typeAction = action;
    }
    auto *searchEdit = view->findChild<QLineEdit *>(QStringLiteral("searchEdit"));
    auto *clear = view->findChild<QPushButton *>(QStringLiteral("clearFilter"));
    if (typeAction) {
        f.typeFilter = filterStep(ofType.value(mostFrequent), [typeAction] { typeAction->trigger(); },
                                  [&](int r) { return table->item(r, 2)->text() == mostFrequent; });
    }
    f.cleared = filterStep(reference.size(), [clear] { clear->click(); }, [](int) { return true; });
    f.search = filterStep(withSearched, [&] { searchEdit->setText(searched); }, [&](int r) {
        return table->item(r, 2)->text().contains(searched, Qt::CaseInsensitive)
            || (table->item(r, 3) && table->item(r, 3)->text().contains(searched, Qt::CaseInsensitive));
    });
    // A picture of the day sorted and searched, when asked for.
    const QString shot = qEnvironmentVariable("LUMOVIEW_BENCH_SCREENSHOT");
    if (!shot.isEmpty())
        view->grab().save(shot);
    filterStep(reference.size(), [clear] { clear->click(); }, [](int) { return true; });

    f.save = saveStep();

    // Refresh of the full table; Cancel once a third of the rows came.
    std::atomic<int> emitted{0};
    QObject::connect(view->worker(), &Database::lumoLogData, view->worker(), [&emitted] { ++emitted; },
                     Qt::DirectConnection);
    const QSet<quint64> known(reference.cbegin(), reference.cend());
    probe.start();
    wall.restart();
    refresh->click();
    f.refresh.ms = wall.nsecsElapsed() / 1e6;
    runUntil([&] { return emitted > reference.size() / 3; });
    f.refresh.worstMs = probe.stop();
    f.refresh.ok = true;
    probe.start();
    wall.restart();
    view->progressOverlay()->cancelButton()->click();
    f.cancel.ms = wall.nsecsElapsed() / 1e6;
    QHeaderView *header = table->horizontalHeader();
    // The load ends and its rows take the order of the header.
    runUntil([&] {
        return refresh->isEnabled() && header->sortIndicatorSection() == 0 && table->updatesEnabled()
            && view->findChild<QLabel *>(QStringLiteral("shownCount"))->text().startsWith(
                QLocale().toString(table->rowCount()) + QLatin1Char(' '));
    });
    f.cancel.worstMs = probe.stop();
    f.cancel.ok = table->rowCount() > 0 && table->rowCount() < reference.size() && sortedBy(0, Qt::DescendingOrder);
    for (int r = 0; f.cancel.ok && r < table->rowCount(); ++r)
        f.cancel.ok = known.contains(rowHash(tableRow(table, r)));

    // Description once more in a Russian locale, on the day loaded again
    // (the texts' collation ranks are kept for a load).
    const QLocale locale;
    QLocale::setDefault(QLocale(QLocale::Russian, QLocale::Russia));
    refresh->click();
    runUntil([&] {
        return refresh->isEnabled() && table->rowCount() == reference.size() && header->sortIndicatorSection() == 0
            && table->updatesEnabled();
    });
    f.russianSort = sortStep(3, Qt::AscendingOrder);
    QLocale::setDefault(locale);
    view = nullptr;
    return f;
}

} // namespace

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    qRegisterMetaType<LogMessageType>("LogMessageType");
    if (app.arguments().value(1) == QLatin1String("follow")) {
        runLogFollowBench();
        return 0;
    }
    const QStringList servers = TestServers::available();
    QVector<Figures> figures;
    for (const QString &server : servers)
        figures << DayBench(server).run();

    QString header = QStringLiteral("| work |");
    QString rule = QStringLiteral("|---|");
    for (const QString &server : servers) {
        header += server == QLatin1String("pg") ? QStringLiteral(" PostgreSQL |") : QStringLiteral(" MariaDB |");
        rule += QStringLiteral("---|");
    }
    std::printf("%s\n%s\n", qPrintable(header), qPrintable(rule));
    const auto line = [&](const char *work, const std::function<QString(const Figures &)> &cell) {
        QString text = QStringLiteral("| %1 |").arg(QString::fromUtf8(work));
        for (const Figures &f : qAsConst(figures))
            text += QLatin1Char(' ') + cell(f) + QStringLiteral(" |");
        std::printf("%s\n", qPrintable(text));
    };
    line("rows of the day", [](const Figures &f) { return QString::number(f.rows); });
    line("load, Refresh to the last row shown, vs plain fetch (every cell checked)", [](const Figures &f) {
        return QString::asprintf("%.2f× (%.2f s vs %.2f s)%s, worst %.0f ms", f.load.ms / f.plainMs, f.load.ms / 1000,
                                 f.plainMs / 1000, f.load.ok ? "" : " WRONG", f.load.worstMs);
    });
    line("first row shown after Refresh", [](const Figures &f) {
        return QString::asprintf("%.2f s", f.firstRowMs / 1000);
    });
    line("resident memory added by the loaded view (peak during the load)", [](const Figures &f) {
        return QString::asprintf("%.0f MB, %.0f bytes a row (%.0f MB)", f.addedMb, f.addedMb * 1048576 / f.rows,
                                 f.peakMb);
    });
    line("header sort: Description", [](const Figures &f) { return f.sorts[0].text(); });
    line("header sort: Event type", [](const Figures &f) { return f.sorts[1].text(); });
    line("header sort: Time", [](const Figures &f) { return f.sorts[2].text(); });
    line("header sort: Time reversed", [](const Figures &f) { return f.sorts[3].text(); });
    line("header sort: Description in a Russian locale", [](const Figures &f) { return f.russianSort.text(); });
    line("type filter (the most frequent) on the table sorted", [](const Figures &f) { return f.typeFilter.text(); });
    line("clear on the table sorted", [](const Figures &f) { return f.cleared.text(); });
    line("search pasted on the table sorted", [](const Figures &f) { return f.search.text(); });
    line("Save (CSV) in the background, to the file written (file checked)", [](const Figures &f) {
        return f.save.text();
    });
    line("Refresh of the full table: the click / worst until a third of the rows came", [](const Figures &f) {
        return QString::asprintf("%.0f ms / worst %.0f ms", f.refresh.ms, f.refresh.worstMs);
    });
    line("Cancel while streaming: the click / worst until the table settled (rows checked)", [](const Figures &f) {
        return QString::asprintf("%.0f ms / worst %.0f ms%s", f.cancel.ms, f.cancel.worstMs, f.cancel.ok ? "" : " WRONG");
    });
    line("GUI event-loop latency, worst over every action above", [](const Figures &f) {
        return QString::asprintf("%.0f ms", f.worstMs());
    });
    return 0;
}
