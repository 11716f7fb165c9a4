#ifndef CENTREVICTIM_H
#define CENTREVICTIM_H

#include <QThread>

#include <atomic>

// Another client of the server: a connection of its own, as the operator,
// that sleeps a few seconds in a statement over and over. A Stop that
// cancelled a statement other than its own would end one of these sleeps
// early; each sleep tells whether it ran its whole time.
class CentreVictim : public QThread
{
    Q_OBJECT
public:
    CentreVictim(const QString &server, int number, QObject *parent = nullptr);
    ~CentreVictim() override;

    void finish() { stopping = true; }
    int sleepsCompleted() const { return completed; }
    int sleepsCancelled() const { return cancelled; }
    // Connection or statement failures other than a cancel.
    int failures() const { return failed; }

signals:
    // A sleep ended early, from the victim's thread.
    void wasCancelled(int number, const QString &error);

protected:
    void run() override;

private:
    const QString server;
    const int number;
    std::atomic<bool> stopping{false};
    std::atomic<int> completed{0};
    std::atomic<int> cancelled{0};
    std::atomic<int> failed{0};
};

#endif // CENTREVICTIM_H
