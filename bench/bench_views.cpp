// The views reading the big day as an operator waits for them: wall-clock
// time from Refresh to the last row shown or the chart drawn, pacing pauses
// included, against a plain forward-only QSqlQuery fetch of the same
// statements in the same run. For the event log also the GUI thread's CPU
// per row, the event loop's latency while the rows stream in, the rows the
// worker hands out after Stop and the peak resident memory; then, on the
// loaded day, the GUI thread's time to show a type filter, a search text and
// a jump, and the event loop's latency while a search is typed. For the
// signal-group week also the event loop's latency during the load and its
// evaluation, and while the pages are switched, zoomed and panned and the
// week smoothed, and how long smoothing takes.
#include "HostKernel.h"
#include "LoopProbe.h"
#include "PeakMemory.h"
#include "PlainFetch.h"
#include "TestServers.h"

#include "database/RequestStatements.h"
#include "views/DtView.h"
#include "views/LogView.h"
#include "views/PhasesView.h"
#include "views/SGView.h"

#include "ChartWidget.h"
#include "cwsimple/Chart.h"

#include <qcustomplot.h>

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QDateTimeEdit>
#include <QFile>
#include <QFrame>
#include <QHash>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QRadioButton>
#include <QTableWidget>
#include <QTimeEdit>
#include <QTimer>

#include <malloc.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <ctime>
#include <functional>

namespace {

qint64 threadCpuNsecs()
{
    timespec ts{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
    return qint64(ts.tv_sec) * 1000000000 + ts.tv_nsec;
}

bool frameEnabled(QWidget *view)
{
    return view->findChild<QFrame *>(QStringLiteral("frame"))->isEnabled();
}

// A 5 ms tick: how late it fires is how long the event loop was busy.
class LoopLatency
{
public:
    LoopLatency()
    {
        tick.setTimerType(Qt::PreciseTimer);
        QObject::connect(&tick, &QTimer::timeout, [this] {
            lateness.append(std::max(0.0, sinceTick.nsecsElapsed() / 1e6 - 5.0));
            sinceTick.restart();
        });
    }
    void start()
    {
        lateness.clear();
        sinceTick.start();
        tick.start(5);
    }
    void stop() { tick.stop(); }
    double worst() const { return lateness.isEmpty() ? 0 : *std::max_element(lateness.begin(), lateness.end()); }
    double p99() const
    {
        QVector<double> sorted = lateness;
        std::sort(sorted.begin(), sorted.end());
        return sorted.isEmpty() ? 0 : sorted.at(int(sorted.size() * 0.99));
    }

private:
    QTimer tick;
    QElapsedTimer sinceTick;
    QVector<double> lateness;
};

struct Ratio
{
    double baselineMs = 0;
    double wallMs = 0;
    int rows = 0;
    int baselineRows = 0;
    QString text() const
    {
        QString t = QString::asprintf("%.1f× (%.2f s; plain fetch %.2f s)", wallMs / baselineMs,
                                      wallMs / 1000, baselineMs / 1000);
        if (rows != baselineRows)
            t += QString::asprintf(" rows differ: %d / %d", rows, baselineRows);
        return t;
    }
};

// One change of what the log shows: wall-clock time until the table shows
// the result, and the GUI thread's CPU time meanwhile.
struct FindStep
{
    double wallMs = 0;
    double cpuMs = 0;
    int rows = 0;
    int expected = 0;
    QString text() const
    {
        QString t = QString::asprintf("%.1f ms (wall %.1f ms), %d rows", cpuMs, wallMs, rows);
        if (rows != expected)
            t += QString::asprintf(" expected %d", expected);
        return t;
    }
};

struct SgFigures
{
    Ratio load;
    double loadP99Ms = 0;
    double loadWorstMs = 0;
    double browseWorstMs = 0;
    double smoothingMs = 0;
    double smoothingWorstMs = 0;
};

struct LogFigures
{
    Ratio load;
    double cpuPerRowUs = 0;
    double p99Ms = 0;
    double worstMs = 0;
    int rowsAfterStop = 0;
    bool terminated = false;
    double peakMb = 0;
    FindStep typeFilter;
    FindStep search;
    FindStep cleared;
    FindStep jump;
    double typingP99Ms = 0;
    double typingWorstMs = 0;
    double answerMs = 0;
    double findPeakMb = 0;
};

class Bench
{
public:
    explicit Bench(const QString &server)
        : server(server)
        , db(TestServers::connection(server, QStringLiteral("view-") + server))
        , plain(TestServers::connection(server, QStringLiteral("plain-") + server))
        , statements(server == QLatin1String("pg"))
    {
        if (!plain.open())
            std::fprintf(stderr, "%s: %s\n", qPrintable(server), qPrintable(plain.lastError().text()));
    }

    LogFigures logView();
    static void findInLog(LogView *view, LogFigures *f);
    SgFigures sgView();
    Ratio phasesView();
    Ratio dtView();

private:
    // The better of two fetches: the first also warms the server's caches
    // for the view's read that follows.
    Ratio baseline(const QStringList &texts)
    {
        Ratio r;
        const qint64 first = plainFetchNsecs(plain, texts, &r.baselineRows);
        r.baselineMs = std::min(first, plainFetchNsecs(plain, texts, &r.baselineRows)) / 1e6;
        return r;
    }

    const QString server;
    QSqlDatabase db;
    QSqlDatabase plain;
    const RequestStatements statements;
    QMutex mutex;
    const QDate day = TestServers::day();
};

LogFigures Bench::logView()
{
    LogFigures f;
    f.load = baseline(statements.log(1, day, day.addDays(1), 0x5FFFF));
    resetPeakMemory();

    LogView view(nullptr, 1, 0x5FFFF, &db, &mutex);
    view.resize(1000, 700);
    view.show();
    auto *refresh = view.findChild<QPushButton *>(QStringLiteral("updateData"));
    auto *table = view.findChild<QTableWidget *>(QStringLiteral("tableWidget"));
    auto *date = view.findChild<QDateEdit *>(QStringLiteral("dateEdit"));
    // The first load (today, no rows) ends before the measured one starts.
    QCoreApplication::processEvents();
    runUntil([refresh] { return refresh->isEnabled(); });
    date->blockSignals(true);
    date->setDate(day);
    date->blockSignals(false);

    // A 5 ms tick: how late it fires is how long the loop was busy.
    QVector<double> lateness;
    QElapsedTimer sinceTick;
    QTimer tick;
    tick.setTimerType(Qt::PreciseTimer);
    QObject::connect(&tick, &QTimer::timeout, [&] {
        lateness.append(std::max(0.0, sinceTick.nsecsElapsed() / 1e6 - 5.0));
        sinceTick.restart();
    });

    const int expected = f.load.baselineRows;
    const qint64 cpuStart = threadCpuNsecs();
    QElapsedTimer wall;
    wall.start();
    sinceTick.start();
    tick.start(5);
    refresh->click();
    runUntil([&] { return refresh->isEnabled() && table->rowCount() == expected; });
    table->viewport()->repaint();
    f.load.wallMs = wall.nsecsElapsed() / 1e6;
    f.cpuPerRowUs = (threadCpuNsecs() - cpuStart) / 1e3 / std::max(1, table->rowCount());
    // What the end of the load leaves for the event loop counts as well.
    QElapsedTimer after;
    after.start();
    runUntil([&after] { return after.elapsed() > 300; });
    tick.stop();

    f.load.rows = table->rowCount();
    f.peakMb = peakRssKb() / 1024.0;
    std::sort(lateness.begin(), lateness.end());
    f.p99Ms = lateness.isEmpty() ? 0 : lateness.at(int(lateness.size() * 0.99));
    f.worstMs = lateness.isEmpty() ? 0 : lateness.last();

    findInLog(&view, &f);

    // Stop in the middle of the stream: the rows the worker hands out after
    // the stop was asked for, counted in the worker's thread.
    std::atomic<int> emitted{0};
    QObject::connect(view.worker(), &Database::lumoLogData, view.worker(), [&emitted] { ++emitted; },
                     Qt::DirectConnection);
    refresh->click();
    runUntil([&] { return emitted > expected / 3; });
    const int atStop = emitted;
    view.progressOverlay()->cancelButton()->click();
    f.rowsAfterStop = emitted - atStop;
    auto *log = view.findChild<QComboBox *>(QStringLiteral("log"));
    for (int i = 0; i < log->count(); ++i)
        f.terminated = f.terminated || log->itemText(i).endsWith(QLatin1String("Disconnected"));
    return f;
}

// The loaded day narrowed and searched as an operator does it, through the
// view's controls. A change has been shown once the table has the rows it
// should have and draws again (it does not while its rows are changed).
void Bench::findInLog(LogView *view, LogFigures *f)
{
    auto *table = view->findChild<QTableWidget *>(QStringLiteral("tableWidget"));
    auto *searchEdit = view->findChild<QLineEdit *>(QStringLiteral("searchEdit"));
    const QString text = QStringLiteral("занят");
    QHash<QString, int> ofType;
    int withText = 0;
    for (int r = 0; r < table->rowCount(); ++r) {
        ++ofType[table->item(r, 2)->text()];
        withText += table->item(r, 2)->text().contains(text, Qt::CaseInsensitive)
            || (table->item(r, 3) && table->item(r, 3)->text().contains(text, Qt::CaseInsensitive));
    }
    // The most frequent type: the most rows to show.
    QString type;
    for (auto it = ofType.cbegin(); it != ofType.cend(); ++it) {
        if (type.isEmpty() || *it > ofType.value(type))
            type = it.key();
    }
    const int all = table->rowCount();
    const auto step = [&](FindStep *s, int expected, const std::function<void()> &change) {
        s->expected = expected;
        const qint64 cpuStart = threadCpuNsecs();
        QElapsedTimer wall;
        wall.start();
        change();
        runUntil([&] { return table->updatesEnabled() && table->rowCount() == expected; }, 10000);
        table->viewport()->repaint();
        s->wallMs = wall.nsecsElapsed() / 1e6;
        s->cpuMs = (threadCpuNsecs() - cpuStart) / 1e6;
        s->rows = table->rowCount();
    };
    QAction *typeAction = nullptr;
    for (QAction *action : view->findChild<QPushButton *>(QStringLiteral("typeFilter"))->menu()->actions()) {
        if (action->data().toString() == type)
            typeAction = action;
    }
    if (!typeAction)
        return;
    step(&f->typeFilter, ofType.value(type), [typeAction] { typeAction->trigger(); });
    step(&f->cleared, all, [view] { view->findChild<QPushButton *>(QStringLiteral("clearFilter"))->click(); });
    // Pasted: one change, after the typing pause.
    step(&f->search, withText, [&] { searchEdit->setText(text); });
    searchEdit->clear();
    runUntil([&] { return table->updatesEnabled() && table->rowCount() == all; }, 10000);

    auto *jumpTime = view->findChild<QTimeEdit *>(QStringLiteral("jumpTime"));
    const qint64 cpuStart = threadCpuNsecs();
    QElapsedTimer wall;
    wall.start();
    jumpTime->setTime(QTime(14, 30));
    table->viewport()->repaint();
    f->jump.wallMs = wall.nsecsElapsed() / 1e6;
    f->jump.cpuMs = (threadCpuNsecs() - cpuStart) / 1e6;
    f->jump.rows = f->jump.expected = table->selectionModel()->selectedRows().size();

    // Typed at ten keys a second, a slip put right at the end, while a 5 ms
    // tick measures how late the event loop comes round.
    QVector<double> lateness;
    QElapsedTimer sinceTick;
    QTimer tick;
    tick.setTimerType(Qt::PreciseTimer);
    QObject::connect(&tick, &QTimer::timeout, [&] {
        lateness.append(std::max(0.0, sinceTick.nsecsElapsed() / 1e6 - 5.0));
        sinceTick.restart();
    });
    searchEdit->setFocus();
    const QString typed = QStringLiteral("детектор 12");
    QVector<QPair<Qt::Key, QString>> keys;
    for (const QChar c : typed)
        keys.append({Qt::Key_unknown, QString(c)});
    keys.append({Qt::Key_Backspace, QString()});
    QElapsedTimer sinceLastKey;
    int sent = 0;
    QTimer typist;
    typist.setTimerType(Qt::PreciseTimer);
    QObject::connect(&typist, &QTimer::timeout, [&] {
        if (sent == keys.size())
            return;
        QKeyEvent press(QEvent::KeyPress, keys.at(sent).first, Qt::NoModifier, keys.at(sent).second);
        QCoreApplication::sendEvent(searchEdit, &press);
        QKeyEvent release(QEvent::KeyRelease, keys.at(sent).first, Qt::NoModifier, keys.at(sent).second);
        QCoreApplication::sendEvent(searchEdit, &release);
        ++sent;
        sinceLastKey.start();
    });
    int expected = 0;
    const QString last = QStringLiteral("детектор 1");
    for (int r = 0; r < all; ++r) {
        expected += table->item(r, 2)->text().contains(last, Qt::CaseInsensitive)
            || (table->item(r, 3) && table->item(r, 3)->text().contains(last, Qt::CaseInsensitive));
    }
    sinceTick.start();
    tick.start(5);
    typist.start(100);
    runUntil([&] { return sent == keys.size(); });
    runUntil([&] { return table->updatesEnabled() && table->rowCount() == expected; }, 10000);
    f->answerMs = sinceLastKey.nsecsElapsed() / 1e6;
    QElapsedTimer after;
    after.start();
    runUntil([&after] { return after.elapsed() > 300; });
    tick.stop();
    std::sort(lateness.begin(), lateness.end());
    f->typingP99Ms = lateness.isEmpty() ? 0 : lateness.at(int(lateness.size() * 0.99));
    f->typingWorstMs = lateness.isEmpty() ? 0 : lateness.last();
    f->findPeakMb = peakRssKb() / 1024.0;
    searchEdit->clear();
    runUntil([&] { return table->updatesEnabled() && table->rowCount() == all; }, 10000);
}

// Runs the event loop for `ms` milliseconds.
void idle(int ms)
{
    QElapsedTimer clock;
    clock.start();
    runUntil([&clock, ms] { return clock.elapsed() >= ms; });
}

// Sends events to a widget one every 100 ms from the event loop, as a user
// would, and returns once all are sent and a moment has passed.
void play(QWidget *target, const QVector<std::function<QEvent *()>> &events)
{
    int sent = 0;
    QTimer player;
    QObject::connect(&player, &QTimer::timeout, [&] {
        if (sent == events.size())
            return;
        std::unique_ptr<QEvent> event(events.at(sent++)());
        QCoreApplication::sendEvent(target, event.get());
    });
    player.start(100);
    runUntil([&] { return sent == events.size(); });
    idle(300);
}

// Zooms in at the middle in `steps` wheel steps, drags the view a third of
// its width to the right and back, and zooms out again.
void browse(QCustomPlot *plot, int steps)
{
    const QPointF middle(plot->width() / 2.0, plot->height() / 2.0);
    QVector<std::function<QEvent *()>> events;
    const auto wheel = [middle](int delta) {
        return [middle, delta]() -> QEvent * {
            return new QWheelEvent(middle, middle, QPoint(), QPoint(0, delta), Qt::NoButton, Qt::NoModifier,
                                   Qt::NoScrollPhase, false);
        };
    };
    const auto mouse = [](QEvent::Type type, QPointF at, Qt::MouseButtons buttons) {
        return [type, at, buttons]() -> QEvent * {
            return new QMouseEvent(type, at, type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton, buttons,
                                   Qt::NoModifier);
        };
    };
    for (int i = 0; i < steps; ++i)
        events << wheel(120);
    const double third = plot->width() / 3.0;
    events << mouse(QEvent::MouseButtonPress, middle, Qt::LeftButton);
    for (int i = 1; i <= 4; ++i)
        events << mouse(QEvent::MouseMove, middle + QPointF(third * i / 4, 0), Qt::LeftButton);
    for (int i = 3; i >= 0; --i)
        events << mouse(QEvent::MouseMove, middle + QPointF(third * i / 4, 0), Qt::LeftButton);
    events << mouse(QEvent::MouseButtonRelease, middle, Qt::NoButton);
    for (int i = 0; i < steps; ++i)
        events << wheel(-120);
    play(plot, events);
}

// With LUMOVIEW_BENCH_SHOTS set to a folder: the x-y and timeline pages,
// the week and its middle hour, as pictures named after `prefix`.
void shoot(SGView *view, const QString &prefix)
{
    const QString folder = qEnvironmentVariable("LUMOVIEW_BENCH_SHOTS");
    if (folder.isEmpty())
        return;
    auto *xyChart = view->findChild<ChartWidget *>(QStringLiteral("xy_chart"));
    auto *tlChart = view->findChild<cwsimple::Chart *>(QStringLiteral("tl_chart"));
    for (const char *page : {"sg", "timeline"}) {
        view->findChild<QRadioButton *>(QLatin1String(page))->click();
        QCustomPlot *plot = page[0] == 's' ? xyChart->plot() : tlChart->plot();
        const QCPRange week = plot->xAxis->range();
        for (const char *zoom : {"week", "hour"}) {
            if (zoom[0] == 'h')
                plot->xAxis->setRange(week.center(), 3600, Qt::AlignLeft);
            plot->replot(QCustomPlot::rpImmediateRefresh);
            view->grab().save(QStringLiteral("%1/%2-%3-%4.png").arg(folder, prefix, QLatin1String(page),
                                                                    QLatin1String(zoom)));
        }
        plot->xAxis->setRange(week);
        plot->replot(QCustomPlot::rpImmediateRefresh);
    }
    view->findChild<QRadioButton *>(QStringLiteral("sg"))->click();
}

SgFigures Bench::sgView()
{
    SgFigures f;
    // As the view's field holds it: the time as written.
    const QDateTime from(day.addDays(-6), QTime(0, 0), Qt::UTC);
    f.load = baseline(statements.sg(1, from, from.addDays(7)));
    SGView view(nullptr, 1, &db, &mutex);
    view.resize(1000, 600);
    view.show();
    QCoreApplication::processEvents();
    runUntil([&view] { return frameEnabled(&view); });
    view.findChild<QPushButton *>(QStringLiteral("weekData"))->setChecked(true);
    view.findChild<QDateTimeEdit *>(QStringLiteral("dateTimeEdit"))->setDateTime(from);
    int rows = 0;
    QObject::connect(view.worker(), &Database::lumoSgData, &view, [&rows] { ++rows; });
    auto *xyChart = view.findChild<ChartWidget *>(QStringLiteral("xy_chart"));
    auto *tlChart = view.findChild<cwsimple::Chart *>(QStringLiteral("tl_chart"));

    // From Refresh until both charts have drawn the evaluated week.
    LoopLatency latency;
    QElapsedTimer wall;
    wall.start();
    latency.start();
    view.findChild<QPushButton *>(QStringLiteral("updateData"))->click();
    runUntil([&view] { return frameEnabled(&view); });
    xyChart->replotNow();
    tlChart->replotNow();
    f.load.wallMs = wall.nsecsElapsed() / 1e6;
    f.load.rows = rows;
    idle(300);
    latency.stop();
    f.loadP99Ms = latency.p99();
    f.loadWorstMs = latency.worst();
    shoot(&view, QStringLiteral("sgweek-%1").arg(server));

    // Every page shown, the timeline and the x-y chart zoomed and panned.
    latency.start();
    for (const char *page : {"timeline", "cycles", "sg"}) {
        view.findChild<QRadioButton *>(QLatin1String(page))->click();
        idle(300);
    }
    view.findChild<QRadioButton *>(QStringLiteral("timeline"))->click();
    idle(300);
    browse(tlChart->plot(), 6);
    view.findChild<QRadioButton *>(QStringLiteral("sg"))->click();
    idle(300);
    browse(xyChart->plot(), 6);
    latency.stop();
    f.browseWorstMs = latency.worst();

    // Smoothing: from the click until the smoothed lines are drawn.
    latency.start();
    wall.restart();
    view.findChild<QCheckBox *>(QStringLiteral("averaging"))->click();
    runUntil([xyChart] {
        for (ChartSeries *s : xyChart->seriesList())
            if (s->name().endsWith(QLatin1String("(avg)")))
                return true;
        return false;
    });
    xyChart->replotNow();
    f.smoothingMs = wall.nsecsElapsed() / 1e6;
    idle(300);
    latency.stop();
    f.smoothingWorstMs = latency.worst();
    return f;
}

Ratio Bench::phasesView()
{
    const QDate from = day.addDays(-6);
    Ratio r = baseline(statements.phases(1, from, from.addDays(7), true));
    PhasesView view(nullptr, 1, &db, &mutex);
    view.resize(1000, 600);
    view.show();
    QCoreApplication::processEvents();
    runUntil([&view] { return frameEnabled(&view); });
    view.findChild<QPushButton *>(QStringLiteral("weekData"))->setChecked(true);
    auto *date = view.findChild<QDateEdit *>(QStringLiteral("dateEdit"));
    date->blockSignals(true);
    date->setDate(from);
    date->blockSignals(false);
    int rows = 0;
    const auto count = [&rows] { ++rows; };
    QObject::connect(view.worker(), &Database::lumoPhaseData, &view, count);
    QObject::connect(view.worker(), &Database::lumoStateData, &view, count);

    QElapsedTimer wall;
    wall.start();
    view.findChild<QPushButton *>(QStringLiteral("updateData"))->click();
    runUntil([&view] { return frameEnabled(&view); });
    view.findChild<ChartWidget *>(QStringLiteral("chart"))->replotNow();
    r.wallMs = wall.nsecsElapsed() / 1e6;
    r.rows = rows;
    return r;
}

// A month is more than the view's own modes ask for: the month's request
// goes to the view's worker directly, and the view draws what comes.
Ratio Bench::dtView()
{
    QStringList detectors;
    for (int d = 1; d <= 16; ++d)
        detectors << QString::number(d);
    const QString selection = detectors.join(QLatin1Char('+'));
    const QDate first = day.addDays(-29);
    Ratio r = baseline(statements.dt15(1, selection, 0, 1, first, 30, false, QDateTime::currentDateTime()));
    DtView view(nullptr, 1, detectors, &db, &mutex);
    view.resize(1000, 600);
    view.show();
    QCoreApplication::processEvents();
    // The detector list, then the first data load (today, no rows).
    runUntil([&view] { return frameEnabled(&view); });
    QElapsedTimer settle;
    settle.start();
    runUntil([&] { return settle.elapsed() > 200 && frameEnabled(&view); });
    int rows = 0;
    int completes = 0;
    const auto count = [&rows] { ++rows; };
    QObject::connect(view.worker(), &Database::lumoDt15Data, &view, count);
    QObject::connect(view.worker(), &Database::complete, &view, [&completes] { ++completes; });

    QElapsedTimer wall;
    wall.start();
    view.worker()->requestDt15(1, selection, 0, 1, first, 30, false);
    runUntil([&completes] { return completes > 0; });
    view.findChild<ChartWidget *>(QStringLiteral("chart"))->replotNow();
    r.wallMs = wall.nsecsElapsed() / 1e6;
    r.rows = rows;
    return r;
}

} // namespace

// Arguments name the parts to run (log, sg, phases, dt); none runs all.
int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    qRegisterMetaType<LogMessageType>("LogMessageType");
    // The signal-group view decodes its events through the host's service.
    new Road::Kernel(&app);
    QStringList parts = app.arguments().mid(1);
    if (parts.isEmpty())
        parts = QStringList{QStringLiteral("log"), QStringLiteral("sg"), QStringLiteral("phases"), QStringLiteral("dt")};

    const QStringList servers = TestServers::available();
    QVector<LogFigures> logs;
    QVector<SgFigures> sg;
    QVector<Ratio> phases, dt;
    for (const QString &server : servers) {
        Bench bench(server);
        if (parts.contains(QLatin1String("log")))
            logs << bench.logView();
        if (parts.contains(QLatin1String("sg")))
            sg << bench.sgView();
        if (parts.contains(QLatin1String("phases")))
            phases << bench.phasesView();
        if (parts.contains(QLatin1String("dt")))
            dt << bench.dtView();
    }

    QString header = QStringLiteral("| work |");
    QString rule = QStringLiteral("|---|");
    for (const QString &server : servers) {
        header += server == QLatin1String("pg") ? QStringLiteral(" PostgreSQL |") : QStringLiteral(" MariaDB |");
        rule += QStringLiteral("---|");
    }
    std::printf("%s\n%s\n", qPrintable(header), qPrintable(rule));
    const auto line = [&](bool shown, const char *work, const std::function<QString(int)> &cell) {
        if (!shown)
            return;
        QString text = QStringLiteral("| %1 |").arg(QString::fromUtf8(work));
        for (int i = 0; i < servers.size(); ++i)
            text += QLatin1Char(' ') + cell(i) + QStringLiteral(" |");
        std::printf("%s\n", qPrintable(text));
    };
    const bool log = !logs.isEmpty();
    line(log, "event log view, 100 000 rows, from Refresh to the last row shown and Refresh enabled",
         [&](int i) { return logs[i].load.text(); });
    const bool sgShown = !sg.isEmpty();
    const QByteArray sgWeek = QStringLiteral("signal-group view, a week of 16 groups (%1 rows)")
                                  .arg(sgShown ? sg.first().load.baselineRows : 0).toUtf8();
    line(sgShown, (sgWeek + ", from Refresh to the charts drawn").constData(),
         [&](int i) { return sg[i].load.text(); });
    line(sgShown, (sgWeek + ", event-loop latency during the load and evaluation (5 ms tick), p99 / worst").constData(),
         [&](int i) { return QString::asprintf("%.1f / %.1f ms", sg[i].loadP99Ms, sg[i].loadWorstMs); });
    line(sgShown, (sgWeek + ", worst event-loop latency while pages are switched, zoomed and panned").constData(),
         [&](int i) { return QString::asprintf("%.1f ms", sg[i].browseWorstMs); });
    line(sgShown, (sgWeek + ", smoothing from the click to the lines drawn; worst latency meanwhile").constData(),
         [&](int i) { return QString::asprintf("%.0f ms; %.1f ms", sg[i].smoothingMs, sg[i].smoothingWorstMs); });
    line(!phases.isEmpty(), "phase view, a week", [&](int i) { return phases[i].text(); });
    line(!dt.isEmpty(), "detector data view, a month of 16 detectors", [&](int i) { return dt[i].text(); });
    line(log, "GUI event-loop latency while the log's rows stream and finish (5 ms tick), p99 / worst",
         [&](int i) { return QString::asprintf("%.1f / %.1f ms", logs[i].p99Ms, logs[i].worstMs); });
    line(log, "rows handed out after Stop while 100 000 rows stream", [&](int i) {
        return QString::asprintf("%d, %s", logs[i].rowsAfterStop, logs[i].terminated ? "terminated" : "no terminate");
    });
    line(log, "peak resident memory, log view with 100 000 rows",
         [&](int i) { return QString::asprintf("%.0f MB", logs[i].peakMb); });
    line(log, "GUI-thread CPU per log row", [&](int i) { return QString::asprintf("%.1f µs", logs[i].cpuPerRowUs); });
    line(log, "log of 100 000 rows, GUI-thread time to show one event type (the most frequent)",
         [&](int i) { return logs[i].typeFilter.text(); });
    line(log, "log, GUI-thread time to show every row again (Clear)", [&](int i) { return logs[i].cleared.text(); });
    line(log, "log, GUI-thread time to show a search text pasted (30 ms typing pause included in wall)",
         [&](int i) { return logs[i].search.text(); });
    line(log, "log, GUI-thread time to jump to 14:30:00", [&](int i) {
        return QString::asprintf("%.1f ms (wall %.1f ms)", logs[i].jump.cpuMs, logs[i].jump.wallMs);
    });
    line(log, "log, event-loop latency while a search is typed (10 keys/s, 5 ms tick), p99 / worst", [&](int i) {
        return QString::asprintf("%.1f / %.1f ms", logs[i].typingP99Ms, logs[i].typingWorstMs);
    });
    line(log, "log, from the last key typed to the table answering", [&](int i) {
        return QString::asprintf("%.0f ms", logs[i].answerMs);
    });
    line(log, "peak resident memory, log view with 100 000 rows, after filtering and searching",
         [&](int i) { return QString::asprintf("%.0f MB", logs[i].findPeakMb); });
    return 0;
}
