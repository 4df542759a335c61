#pragma once

#include "engine/query_runner.h"

#include <QObject>
#include <QTimer>
#include <cstdio>

namespace nomispot::cli {

// Rewrites one line on standard error a few times a second: replies so far of all candidates,
// and about how long the run still takes.
class ProgressReporter : public QObject {
    Q_OBJECT
public:
    ProgressReporter(const QueryRunner& runner, int candidateCount, int delayMs, std::FILE* out,
                     QObject* parent = nullptr);
    ~ProgressReporter() override;

    void start();
    // Stops refreshing and clears the line.
    void stop();
    // Clears the line, so that a message starts on a clean one.
    void clearLine();

private:
    void print();

    const QueryRunner& m_runner;
    int m_candidateCount;
    int m_delayMs;
    std::FILE* m_out;
    QTimer m_timer;
    bool m_shown = false;
};

} // namespace nomispot::cli
