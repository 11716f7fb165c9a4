#ifndef LOGFOLLOWBENCH_H
#define LOGFOLLOWBENCH_H

// The event log following today: 50 rows a second written into the day of
// the servers (its last hour taken away first and written again in real
// time; every 100th with one written five minutes late), the view searching
// for a text that every written row holds. Prints per server: a committed
// row to its row shown (median, p99), the event loop's lateness (p99,
// worst), rows lost or shown twice, and whether the table then equals a
// fresh load.
void runLogFollowBench();

#endif // LOGFOLLOWBENCH_H
