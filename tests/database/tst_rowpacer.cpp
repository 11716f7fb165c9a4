// The pacing of a worker's rows, without a server: a thread hands out rows
// as a worker does while this thread plays the view's.
#include "database/RequestSlot.h"
#include "database/RowPacer.h"

#include <QSemaphore>
#include <QtTest>

#include <atomic>
#include <functional>

namespace {

// Runs `rows` through the pacer in a thread of its own; `at` is called
// there before each row and may hold the thread.
struct Streamer
{
    RowPacer &pacer;
    std::atomic<int> handed{0};
    std::atomic<bool> done{false};
    QScopedPointer<QThread> thread;

    Streamer(RowPacer &paced, int rows, const std::function<void(int)> &at = {})
        : pacer(paced)
    {
        thread.reset(QThread::create([this, rows, at] {
            pacer.beginRequest();
            for (int row = 0; row < rows; ++row) {
                if (at)
                    at(row);
                if (!pacer.beforeRow())
                    break;
                ++handed;
            }
            done = true;
        }));
        thread->start();
    }
    ~Streamer() { thread->wait(); }
};

} // namespace

class RowPacerTest : public QObject
{
    Q_OBJECT

private slots:
    // With this thread handling events every pause ends early; with it
    // blocked every pause runs out its 50 ms, and the rows go on.
    void pausesAfterEvery101Rows_data()
    {
        QTest::addColumn<bool>("blocked");
        QTest::newRow("view keeps up") << false;
        QTest::newRow("view blocked") << true;
    }
    void pausesAfterEvery101Rows()
    {
        QFETCH(bool, blocked);
        RequestSlot slot;
        RowPacer pacer(&slot);
        QVector<int> counts;
        connect(&pacer, &RowPacer::rowsReceived, this, [&counts](int rows) { counts << rows; });
        Streamer streamer(pacer, 1000);
        if (blocked)
            streamer.thread->wait();
        QTRY_VERIFY(streamer.done);
        QCOMPARE(int(streamer.handed), 1000);
        QCOMPARE(pacer.pausesCaughtUp() + pacer.pausesTimedOut(), 999 / 101);
        if (blocked)
            QCOMPARE(pacer.pausesCaughtUp(), 0);
        else
            QVERIFY(pacer.pausesCaughtUp() > 0);
        QTRY_COMPARE(counts.size(), 999 / 101);
        QCOMPARE(counts.first(), 101);
        QCOMPARE(counts.last(), 909);
    }

    // A stop ends the stream at the next row, also in the middle of a pause.
    void stopEndsTheStream()
    {
        RequestSlot slot;
        RowPacer pacer(&slot);
        QSemaphore inPause;
        Streamer streamer(pacer, 1000, [&](int row) {
            if (row == 101)
                inPause.release(); // the pause comes before this row
        });
        QVERIFY(inPause.tryAcquire(1, 5000));
        slot.requestStop();
        pacer.wake();
        QVERIFY(streamer.thread->wait(5000));
        QCOMPARE(int(streamer.handed), 101);
    }

    // A marker that comes after its pause ran out does not end the next.
    void lateMarkerEndsNoPause()
    {
        RequestSlot slot;
        RowPacer pacer(&slot);
        QSemaphore between, resume;
        Streamer streamer(pacer, 250, [&](int row) {
            if (row == 150) {
                between.release();
                resume.acquire();
            }
        });
        QVERIFY(between.tryAcquire(1, 5000)); // the first pause ran out
        QCoreApplication::processEvents();      // its marker arrives late
        resume.release();
        QVERIFY(streamer.thread->wait(5000)); // the second runs out too
        QCOMPARE(pacer.pausesTimedOut(), 2);
        QCOMPARE(pacer.pausesCaughtUp(), 0);
    }
};

QTEST_GUILESS_MAIN(RowPacerTest)
#include "tst_rowpacer.moc"
