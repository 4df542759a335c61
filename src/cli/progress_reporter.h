#pragma once

#include "engine/check_table.h"
#include "engine/query_runner.h"

#include <QObject>
#include <QTimer>
#include <cstdio>

namespace nomispot::cli {

// The schedule left of a run, in ticks: the rest of this pass, its 3-tick pause, the later
// passes for what is still pending, and the final 10 ticks.
int ticksLeft(int pass, int retries, int leftThisPass, int pending);

// Rewrites one line on standard error a few times a second: replies so far of all candidates,
// and about how long the run still takes.
class ProgressReporter : public QObject {
    Q_OBJECT
public:
    ProgressReporter(const QueryRunner& runner, const CheckTable& table, int delayMs, int retries,
                     std::FILE* out, QObject* parent = nullptr);
    ~ProgressReporter() override;

    void start();
    // Stops refreshing and clears the line.
    void stop();
    // Clears the line, so that a message starts on a clean one.
    void clearLine();

    // Counts a query sent (connected to the runner's querySent).
    void querySent();

private:
    void print();
    int pendingCount() const;

    const QueryRunner& m_runner;
    const CheckTable& m_table;
    int m_delayMs;
    int m_retries;
    std::FILE* m_out;
    QTimer m_timer;
    int m_pass = 0;
    int m_passPending = 0; // candidates pending when the pass sent its first query
    int m_passSent = 0;
    bool m_shown = false;
};

} // namespace nomispot::cli
