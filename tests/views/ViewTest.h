#ifndef VIEWTEST_H
#define VIEWTEST_H

#include "TestServers.h"
#include "ViewIdle.h"

#include "plugin/LumoViewPlugin.h"
#include "views/CsvExportAction.h"

#include "ChartWidget.h"
#include "GanttSeries.h"
#include "LineSeries.h"
#include "PointSeries.h"
#include "cwsimple/Chart.h"
#include "cwsimple/ColorHBoxSeries.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QHeaderView>
#include <QLabel>
#include <QScopeGuard>
#include <QSqlError>
#include <QSqlQuery>
#include <QTableWidget>
#include <QTest>
#include <QTemporaryDir>

#include <cmath>
#include <memory>

// The first line of a test over the servers' rows: the facade is pointed
// at the row's server.
#define USE_ROW_SERVER()                                                                                         \
    SKIP_WITHOUT_SERVERS();                                                                                      \
    QFETCH(QString, server);                                                                                     \
    use(server)

// The base of the view tests. Views are opened through the facade, as the
// host opens them, on a server or, to be fed as their worker feeds them,
// on a port where nobody listens; expected values come from the server's
// own rows.
class ViewTest : public QObject
{
public:
    LumoViewPlugin facade;
    QSqlDatabase reference;
    QTemporaryDir files;

    // Points the facade at `server` as the read-only operator, or at nobody;
    // the reference connection is the owner's.
    void use(const QString &server = QString())
    {
        const QString url = server.isEmpty() ? QStringLiteral("//u@127.0.0.1:1/QPSQL/none")
                                             : TestServers::operatorUrl(server);
        QCOMPARE(facade.setDatabaseUrl(url), QStringLiteral("OK"));
        if (server.isEmpty())
            return;
        const QString name = QStringLiteral("reference-") + server;
        reference = QSqlDatabase::contains(name) ? QSqlDatabase::database(name) : TestServers::connection(server, name);
        QVERIFY(reference.open());
    }

    // A view the facade made, sized, with its first load started.
    template<typename View = QWidget>
    static std::unique_ptr<View> opened(QWidget *widget)
    {
        widget->resize(1000, 500);
        QCoreApplication::processEvents();
        return std::unique_ptr<View>(qobject_cast<View *>(widget));
    }
    // The same once the first load has ended.
    template<typename View = QWidget>
    static std::unique_ptr<View> loaded(QWidget *widget)
    {
        auto view = opened<View>(widget);
        if (!viewLoaded(view.get()))
            QTest::qFail("the first load did not end", __FILE__, __LINE__);
        return view;
    }
    // Loads a view again by a changed date or a click, and waits for it.
    static bool showDate(QWidget *view, const QDate &day, const char *edit = "dateEdit")
    {
        return viewReloaded(view, [=] { view->findChild<QDateEdit *>(edit)->setDate(day); });
    }
    static bool click(QWidget *view, const char *button)
    {
        return viewReloaded(view, [=] { view->findChild<QAbstractButton *>(button)->click(); });
    }
    // Calls a view's slot as its worker's queued signal does.
    template<typename... Args>
    static void deliver(QObject *view, const char *slot, const Args &...args)
    {
        QVERIFY2(QMetaObject::invokeMethod(
                     view, slot, QGenericArgument(QMetaType::typeName(qMetaTypeId<Args>()), &args)...),
                 slot);
    }

    // Runs a statement on the server in use.
    bool run(const QString &statement)
    {
        QSqlQuery q(reference);
        if (!q.exec(statement))
            qWarning("%s: %s", qPrintable(statement), qPrintable(q.lastError().text()));
        return q.isActive();
    }
    // Deletes an object's rows now (left by a run cut short) and at the end.
    auto ownRows(int object, const QStringList &tables)
    {
        const auto remove = [this, object, tables] {
            for (const QString &table : tables)
                run(QStringLiteral("delete from %1 where objectid=%2").arg(table).arg(object));
        };
        remove();
        return qScopeGuard(remove);
    }
    QVector<QVariantList> rows(const QString &statement) { return TestServers::rows(reference, statement); }
    // A column whose name is a reserved word, quoted for the server in use.
    QString quoted(const char *column) const
    {
        return QString::fromLatin1(reference.driverName() == QLatin1String("QPSQL") ? "\"%1\"" : "`%1`").arg(column);
    }
    static QString sqlDay(const QDate &day) { return day.toString(QStringLiteral("''yyyy-MM-dd''")); }

    // The event log's table, its count of rows shown, a click on its header.
    static QTableWidget *table(QWidget *view) { return view->findChild<QTableWidget *>("tableWidget"); }
    static QString shownCount(QWidget *view)
    {
        auto *label = view->findChild<QLabel *>("shownCount");
        return label ? label->text() : QString();
    }
    static void clickHeader(QWidget *view, int section)
    {
        QHeaderView *h = table(view)->horizontalHeader();
        QTest::mouseClick(h->viewport(), Qt::LeftButton, {}, {h->sectionViewportPosition(section) + 5, 5});
    }
    static QStringList texts(QComboBox *box)
    {
        QStringList result;
        for (int i = 0; i < box->count(); ++i)
            result << box->itemText(i);
        return result;
    }
    QString fileText(const QString &name)
    {
        QFile file(files.filePath(name));
        return file.open(QIODevice::ReadOnly) ? QString::fromLocal8Bit(file.readAll()) : QString();
    }

    static double secs(const QDateTime &t) { return ChartSeries::toKey(t); }
    static ChartWidget *chart(QWidget *v, const char *name = "chart") { return v->findChild<ChartWidget *>(name); }
    static ChartSeries *series(ChartWidget *chart, const QString &name)
    {
        for (ChartSeries *s : chart->seriesList())
            if (s->name() == name)
                return s;
        return nullptr;
    }
    // The points of a line or of a point series, a gap (NaN) drawn as `gap`.
    static QVector<QPointF> points(ChartSeries *series, double gap = qQNaN())
    {
        QVector<QPointF> result;
        const auto *line = qobject_cast<LineSeries *>(series);
        const auto *dots = qobject_cast<PointSeries *>(series);
        for (int i = 0; (line || dots) && i < series->pointsCount(); ++i) {
            const QPointF p = line ? line->point(i) : dots->pt(i);
            result << QPointF(p.x(), std::isnan(p.y()) ? gap : p.y());
        }
        return result;
    }
    // Compares points to a millionth.
    static void compare(const QVector<QPointF> &drawn, const QVector<QPointF> &expected)
    {
        QCOMPARE(drawn.size(), expected.size());
        for (int i = 0; i < drawn.size(); ++i)
            QVERIFY2(QLineF(drawn.at(i), expected.at(i)).length() < 1e-6,
                     qPrintable(QString("point %1: %2 not %3").arg(i).arg(drawn.at(i).y()).arg(expected.at(i).y())));
    }

    // Every chart of a view saves what it shows from its context menu: a
    // block per shown series, a header ("Series") and a row per point led by
    // the series' name, an empty row between blocks; the timeline a row per
    // bar led by its group's label.
    void checkExport(QWidget *view)
    {
        for (ChartWidget *c : view->findChildren<ChartWidget *>()) {
            const QVector<QStringList> file = exported(c);
            int at = 0;
            for (ChartSeries *s : c->seriesList()) {
                const QVector<QVector<double>> shown = shownRows(s);
                QVector<QVector<double>> read;
                if (!s->isVisible() || shown.isEmpty())
                    continue;
                QVERIFY(at == 0 || file.value(at++).join(QString()).isEmpty());
                QCOMPARE(file.value(at++).value(0), QStringLiteral("Series"));
                for (; at < file.size() && file.at(at).value(0) == s->name(); ++at)
                    read << numbers(file.at(at));
                QCOMPARE(read.size(), shown.size());
                for (int i = 0; i < shown.size(); ++i)
                    QVERIFY2(same(read.at(i), shown.at(i)), qPrintable(QString("%1 row %2").arg(s->name()).arg(i)));
            }
            QCOMPARE(at, file.size());
        }
        for (cwsimple::Chart *c : view->findChildren<cwsimple::Chart *>()) {
            const QVector<QStringList> file = exported(c);
            auto *bars = qobject_cast<cwsimple::ColorHBoxSeries *>(c->findSeries(1));
            QCOMPARE(file.size(), bars->barCount() + 1);
            for (int i = 0; i < bars->barCount(); ++i) {
                QCOMPARE(file.at(i + 1).value(0), c->yAxis()->customLabels().value(bars->y(i)));
                QVERIFY(same(numbers(file.at(i + 1)), {bars->x1(i), bars->x2(i), bars->x2(i) - bars->x1(i)}));
            }
        }
    }

private:
    // The rows of the chart's data table, where the file its "Save data as
    // CSV" writes holds exactly them; none where it does not.
    template<typename Chart>
    QVector<QStringList> exported(Chart *chart)
    {
        QFile file(files.filePath(QStringLiteral("chart.csv")));
        QString table;
        for (const QStringList &row : chart->dataTable())
            table += row.join(QLatin1Char(';')) + QLatin1Char('\n');
        for (QAction *action : chart->contextActions()) {
            auto *csv = qobject_cast<CsvExportAction *>(action);
            if (csv && csv->saveTo(file.fileName(), nullptr) && file.open(QIODevice::ReadOnly)
                && QString::fromLocal8Bit(file.readAll()) == table)
                return chart->dataTable();
        }
        return {};
    }
    // The fields of a row after the first as numbers, a time stamp (as
    // written, not as a local time) in seconds.
    static QVector<double> numbers(const QStringList &row)
    {
        QVector<double> result;
        for (const QString &field : row.mid(1)) {
            const QDateTime t(QDate::fromString(field.left(10), QStringLiteral("yyyy-MM-dd")),
                              QTime::fromString(field.mid(11), field.size() == 19 ? QStringLiteral("hh:mm:ss")
                                                                                  : QStringLiteral("hh:mm:ss.zzz")),
                              Qt::UTC);
            result << (t.isValid() ? secs(t) : field.toDouble());
        }
        return result;
    }
    // What a series shows, a row per point: the key and value of a line's or
    // points' point (a gap is none), no numbers for the other kinds.
    static QVector<QVector<double>> shownRows(ChartSeries *s)
    {
        QVector<QVector<double>> rows;
        const QVector<QPointF> drawn = points(s);
        for (int i = 0; i < s->pointsCount(); ++i)
            if (drawn.isEmpty() || !std::isnan(drawn.at(i).y()))
                rows << (drawn.isEmpty() ? QVector<double>() : QVector<double>{drawn.at(i).x(), drawn.at(i).y()});
        return rows;
    }
    // The numbers agree to the milliseconds of the time stamps written.
    static bool same(const QVector<double> &read, const QVector<double> &shown)
    {
        for (int i = 0; i < shown.size(); ++i)
            if (i >= read.size() || std::abs(read.at(i) - shown.at(i)) > 0.0005 + 1e-9 * std::abs(shown.at(i)))
                return false;
        return true;
    }
};

#endif // VIEWTEST_H
