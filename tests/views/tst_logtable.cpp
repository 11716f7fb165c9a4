// The event log's table fed with records: the orders of header clicks and
// the filters against a reference worked out here, records that come after
// a load, and a table big enough to change in slices.
#include "decoding/EventCatalogue.h"
#include "views/LogCellPool.h"
#include "views/LogTable.h"

#include <QCollator>
#include <QHeaderView>
#include <QScrollBar>
#include <QTableWidget>
#include <QtTest>

#include <algorithm>
#include <memory>

namespace {

// A record as fed and as shown: times in seconds (-1 for none), a null
// text for a cell without an item.
struct Row
{
    int time;
    int device;
    QString type;
    QString source;
    QString description;
};

// Ties in every column, cells without items, case, "ё" and digits.
const QVector<Row> knownRows = {
    {36000, 36002, "Дверь", "K1", "ёлка"},
    {36000, 36001, "Дверь", QString(), "Елка"},
    {32400, -1, "лампа", "K2", "елка"},
    {39600, 39601, "Lamp", "K1", QString()},
    {39600, 39600, "Дверь", "ДК", "apple"},
    {28800, 28802, "lamp", QString(), "Apple"},
    {43200, 43201, "Лампа", "K2", "10"},
    {36000, 36000, "lamp", "ДК", "9"},
    {28800, 28801, "Дверь", "K1", QString()},
    {43200, 43200, "Связь", QString(), "яблоко"},
};

QString clock(int seconds)
{
    return seconds < 0 ? QString() : QTime(0, 0).addSecs(seconds).toString(QStringLiteral("hh:mm:ss"));
}

} // namespace

class LogTableTest : public QObject
{
    Q_OBJECT

    // A table shown, then loaded with `rows`.
    struct Fixture
    {
        Fixture(bool withSource, const QVector<Row> &rows)
            : widget(0, withSource ? 5 : 4)
            , table(&widget)
        {
            widget.resize(900, 400);
            widget.show();
            if (!QTest::qWaitForWindowExposed(&widget))
                qWarning("the table was not shown");
            table.beginLoad();
            for (const Row &row : rows)
                add(table, row);
            table.endLoad();
        }
        QTableWidget widget;
        LogTable table;
    };

    static void add(LogTable &table, const Row &row)
    {
        DecodedLogRow decoded;
        decoded.hasSource = !row.source.isNull();
        decoded.source = row.source;
        decoded.hasDescription = !row.description.isNull();
        decoded.description = row.description;
        table.addRecord(row.time < 0 ? -1 : row.time * 1000 + 250, row.device < 0 ? -1 : row.device * 1000,
                        int(qHash(row.type) % 7), row.type, decoded);
    }
    static auto loaded(bool withSource, const QVector<Row> &rows) { return std::make_unique<Fixture>(withSource, rows); }

    static QStringList texts(const Row &row, bool withSource)
    {
        const auto cell = [](const QString &text) { return text.isNull() ? QStringLiteral("-") : text; };
        QStringList cells{clock(row.time), clock(row.device), row.type};
        if (withSource)
            cells << cell(row.source);
        return cells << cell(row.description);
    }
    // Every row as shown: the texts of its items, "-" where it has none.
    static QVector<QStringList> shown(const QTableWidget &widget)
    {
        QVector<QStringList> rows;
        for (int r = 0; r < widget.rowCount(); ++r) {
            QStringList cells;
            for (int c = 0; c < widget.columnCount(); ++c)
                cells << (widget.item(r, c) ? widget.item(r, c)->text() : QStringLiteral("-"));
            rows << cells;
        }
        return rows;
    }
    static QVector<QStringList> expected(const QVector<Row> &rows, const QVector<int> &order, bool withSource)
    {
        QVector<QStringList> result;
        for (int i : order)
            result << texts(rows.at(i), withSource);
        return result;
    }

    // The reference of a header click: a stable sort of the order shown by
    // the column's texts in the language's order (times by their text),
    // the rows without the column's cell last in their order.
    static void sortLikeAClick(const QVector<Row> &rows, QVector<int> &order, int column, bool withSource,
                               Qt::SortOrder sortOrder)
    {
        const QCollator collator;
        const auto text = [&](int i) { return texts(rows.at(i), withSource).at(column); };
        const auto hasCell = [&](int i) {
            if (column < 3)
                return true;
            return column == 3 && withSource ? !rows.at(i).source.isNull() : !rows.at(i).description.isNull();
        };
        const auto withoutCell = std::stable_partition(order.begin(), order.end(), hasCell);
        std::stable_sort(order.begin(), withoutCell, [&](int a, int b) {
            const int c = collator.compare(text(a), text(b));
            return sortOrder == Qt::AscendingOrder ? c < 0 : c > 0;
        });
    }
    // The reference of a filter: the rows of `order` it lets through.
    static QVector<QStringList> passing(const QVector<Row> &rows, const QVector<int> &order, const LogFilter &filter,
                                        bool withSource)
    {
        const QString &search = filter.search();
        QVector<int> kept;
        std::copy_if(order.cbegin(), order.cend(), std::back_inserter(kept), [&](int i) {
            const Row &row = rows.at(i);
            return (filter.types().isEmpty() || filter.types().contains(row.type))
                && (search.isEmpty() || row.type.contains(search, Qt::CaseInsensitive)
                    || row.source.contains(search, Qt::CaseInsensitive)
                    || row.description.contains(search, Qt::CaseInsensitive));
        });
        return expected(rows, kept, withSource);
    }
    static void clickHeader(QTableWidget &widget, int section)
    {
        QHeaderView *h = widget.horizontalHeader();
        QTest::mouseClick(h->viewport(), Qt::LeftButton, {}, {h->sectionViewportPosition(section) + 5, 5});
    }
    // The rows in the order of time, as a load shows them.
    static QVector<int> timeOrder(const QVector<Row> &rows)
    {
        QVector<int> order(rows.size());
        std::iota(order.begin(), order.end(), 0);
        std::stable_sort(order.begin(), order.end(), [&](int a, int b) { return rows.at(a).time < rows.at(b).time; });
        return order;
    }

private slots:
    void sortedOrders_data()
    {
        QTest::addColumn<bool>("withSource");
        QTest::addColumn<QString>("language");
        QTest::addColumn<QVector<int>>("clicks");
        QTest::newRow("description, ascending") << false << "en_US" << QVector<int>{3};
        QTest::newRow("description, descending") << false << "en_US" << QVector<int>{3, 3};
        QTest::newRow("Russian: type, then description") << false << "ru_RU" << QVector<int>{2, 3};
        QTest::newRow("Russian: description descending, then type") << false << "ru_RU" << QVector<int>{3, 3, 2};
        QTest::newRow("time descending, device time") << false << "en_US" << QVector<int>{0, 0, 1};
        QTest::newRow("source, then its reverse") << true << "ru_RU" << QVector<int>{3, 3};
        QTest::newRow("description, then source") << true << "en_US" << QVector<int>{4, 3};
    }

    // Each click shows the order of the reference; the indicator names it.
    void sortedOrders()
    {
        QFETCH(bool, withSource);
        QFETCH(QString, language);
        QFETCH(QVector<int>, clicks);
        const QLocale before;
        QLocale::setDefault(QLocale(language));
        const auto restore = qScopeGuard([&] { QLocale::setDefault(before); });

        auto f = loaded(withSource, knownRows);
        QVector<int> order = timeOrder(knownRows);
        QTRY_COMPARE(shown(f->widget), expected(knownRows, order, withSource));
        int lastSection = 0;
        Qt::SortOrder sortOrder = Qt::AscendingOrder;
        for (int section : clicks) {
            sortOrder = section == lastSection && sortOrder == Qt::AscendingOrder ? Qt::DescendingOrder
                                                                                  : Qt::AscendingOrder;
            lastSection = section;
            sortLikeAClick(knownRows, order, section, withSource, sortOrder);
            clickHeader(f->widget, section);
            QTRY_COMPARE(shown(f->widget), expected(knownRows, order, withSource));
            QTRY_COMPARE(f->widget.horizontalHeader()->sortIndicatorOrder(), sortOrder);
            QCOMPARE(f->widget.horizontalHeader()->sortIndicatorSection(), section);
        }
    }

    void filtersOnSortedTable_data()
    {
        QTest::addColumn<QStringList>("types");
        QTest::addColumn<QString>("search");
        QTest::newRow("a type") << QStringList{"Дверь"} << QString();
        QTest::newRow("two types, typed on") << QStringList{"Дверь", "lamp"} << "Е";
        QTest::newRow("a text of a source") << QStringList() << "дк";
        QTest::newRow("a type's text in another case") << QStringList() << "LAMP";
        QTest::newRow("nothing") << QStringList() << "nothing";
    }

    // On a table sorted by description, newest first: the rows of the
    // filter in that order; narrowed letter by letter, widened again, and
    // after every change the table as without a filter once it is cleared.
    void filtersOnSortedTable()
    {
        QFETCH(QStringList, types);
        QFETCH(QString, search);
        auto f = loaded(true, knownRows);
        QVector<int> order = timeOrder(knownRows);
        sortLikeAClick(knownRows, order, 4, true, Qt::AscendingOrder);
        sortLikeAClick(knownRows, order, 4, true, Qt::DescendingOrder);
        clickHeader(f->widget, 4);
        clickHeader(f->widget, 4);
        QTRY_COMPARE(f->widget.horizontalHeader()->sortIndicatorOrder(), Qt::DescendingOrder);
        for (int length = 0; length <= search.size(); ++length) {
            f->table.setFilter(LogFilter(types, search.left(length)));
            QTRY_COMPARE(shown(f->widget), passing(knownRows, order, LogFilter(types, search.left(length)), true));
        }
        f->table.setFilter(LogFilter(types, QString()));
        QTRY_COMPARE(shown(f->widget), passing(knownRows, order, LogFilter(types, QString()), true));
        f->table.setFilter(LogFilter());
        QTRY_COMPARE(shown(f->widget), expected(knownRows, order, true));
    }

    // Records after the load take their places: by time while the table is
    // in the order of time (one that comes late among the earlier ones), by
    // the order of the header once it is sorted, through the filter.
    void recordsAfterTheLoad()
    {
        auto f = loaded(false, knownRows.mid(0, 6));
        QVector<Row> rows = knownRows.mid(0, 6);
        const LogFilter filter({}, QStringLiteral("л"));
        f->table.setFilter(filter);
        for (const Row &late : {Row{30000, 30000, "Дверь", QString(), "ель"}, Row{50000, 50000, "Лампа", QString(), "x"},
                                Row{20000, 20000, "Связь", QString(), "y"}}) {
            rows << late;
            add(f->table, late);
        }
        QTRY_COMPARE(shown(f->widget), passing(rows, timeOrder(rows), filter, false));

        QVector<int> order = timeOrder(rows);
        sortLikeAClick(rows, order, 3, false, Qt::AscendingOrder);
        clickHeader(f->widget, 3);
        QTRY_COMPARE(shown(f->widget), passing(rows, order, filter, false));
        for (const Row &later : {Row{100, 100, "Лампа", QString(), "ёж"}, Row{60000, 60000, "Лампа", QString(), "ж"}}) {
            rows << later;
            order << rows.size() - 1;
            add(f->table, later);
        }
        sortLikeAClick(rows, order, 3, false, Qt::AscendingOrder);
        QTRY_COMPARE(shown(f->widget), passing(rows, order, filter, false));
        QTRY_VERIFY(f->table.isSettled());
        QCOMPARE(f->widget.horizontalHeader()->sortIndicatorSection(), 3);
    }

    // Following: the newest records replaced by those of a step, equal ones
    // kept, a late one among them; the record at the top of the view stays
    // there and the selection on its record, or, with the newest row in view,
    // that stays in view.
    void replacingTheNewest()
    {
        QVector<Row> rows;
        for (int i = 0; i < 200; ++i)
            rows << Row{36000 + i * 10, 36000 + i * 10, QStringLiteral("Детектор"), QString(), QString::number(i)};
        auto f = loaded(false, rows);
        QTableWidget &w = f->widget;
        QTRY_VERIFY(f->table.isSettled() && w.rowCount() == rows.size());
        const auto replace = [&](int from, const QVector<Row> &step) {
            f->table.beginReplace(from * 1000);
            for (const Row &row : step)
                add(f->table, row);
            f->table.endReplace();
            QTRY_VERIFY(f->table.isSettled());
            QCOMPARE(shown(w), expected(rows, timeOrder(rows), false));
        };
        QTRY_VERIFY(w.verticalScrollBar()->maximum() > 100);
        w.verticalScrollBar()->setValue(100);
        w.selectRow(w.rowAt(0) + 3);
        const QString top = w.item(w.rowAt(0), 3)->text();
        const QString selected = w.item(w.rowAt(0) + 3, 3)->text();

        // The step sends the newest again and one more; then one written
        // late among the newest, which go and come again in their order.
        rows << Row{38000, 38000, QStringLiteral("Детектор"), QString(), QStringLiteral("new")};
        replace(37990, rows.mid(199));
        rows.insert(60, Row{36595, 1, QStringLiteral("Связь"), QString(), QStringLiteral("late")});
        replace(36580, rows.mid(58));
        QCOMPARE(w.item(w.rowAt(0), 3)->text(), top);
        QCOMPARE(w.item(w.selectionModel()->selectedRows().value(0).row(), 3)->text(), selected);

        // The newest in view stays in view; a record gone from the server goes.
        w.scrollToBottom();
        rows.removeAt(198);
        // More rows come than go: the newest are not laid out yet when the
        // view scrolls.
        for (int i = 1; i <= 5; ++i)
            rows << Row{38000 + 10 * i, 38000 + 10 * i, QStringLiteral("Детектор"), QString(), QStringLiteral("newer")};
        replace(37970, rows.mid(198));
        QCOMPARE(w.rowAt(w.viewport()->height() - 1), rows.size() - 1);

        // A header click while a step's records come: a late one among them
        // is sorted in with the others once the step has ended.
        f->table.beginReplace(38040 * 1000);
        rows.insert(rows.size() - 1, Row{38045, 1, QStringLiteral("Связь"), QString(), QStringLiteral("later")});
        for (const Row &row : rows.mid(rows.size() - 3))
            add(f->table, row);
        clickHeader(w, 3);
        QTest::qWait(300);
        f->table.endReplace();
        QVector<int> order = timeOrder(rows);
        sortLikeAClick(rows, order, 3, false, Qt::AscendingOrder);
        QTRY_COMPARE(shown(w), expected(rows, order, false));
    }

    // Enough rows that a change takes several slices: after each, every
    // row's items are those of its record, no more; then a new load; and
    // every cell goes back to the pool with its table.
    void bigTableInSlices()
    {
        QVector<Row> rows;
        for (int i = 0; i < 30000; ++i) {
            rows << Row{i * 2, i * 2 + 1, i % 3 ? QStringLiteral("Детектор") : QStringLiteral("Служба"),
                        i % 5 ? QStringLiteral("K%1").arg(i % 4) : QString(),
                        i % 7 ? QStringLiteral("Детектор %1: %2").arg(i % 16).arg(i % 2 ? "занят" : "свободен") : QString()};
        }
        {
            auto f = loaded(true, rows);
            QVector<int> order = timeOrder(rows);
            QTRY_COMPARE(f->widget.rowCount(), rows.size());
            QVERIFY(f->table.isSettled());
            QCOMPARE(shown(f->widget), expected(rows, order, true));

            clickHeader(f->widget, 4);
            sortLikeAClick(rows, order, 4, true, Qt::AscendingOrder);
            QTRY_VERIFY(f->table.isSettled() && f->widget.horizontalHeader()->sortIndicatorSection() == 4);
            QCOMPARE(shown(f->widget), expected(rows, order, true));
            for (const LogFilter &filter : {LogFilter({QStringLiteral("Служба")}, QString()),
                                            LogFilter({}, QStringLiteral("занят")), LogFilter()}) {
                f->table.setFilter(filter);
                QTRY_VERIFY(f->table.isSettled() && f->widget.updatesEnabled());
                QCOMPARE(shown(f->widget), passing(rows, order, filter, true));
            }
            f->table.beginLoad();
            add(f->table, knownRows.first());
            f->table.endLoad();
            QTRY_COMPARE(shown(f->widget), expected(knownRows, {0}, true));
        }
        QCOMPARE(LogCellPool::cellsInUse(), std::size_t(0));
        QVERIFY(LogCellPool::blocksHeld() <= 1);
    }
};

QTEST_MAIN(LogTableTest)
#include "tst_logtable.moc"
