#pragma once

#include <QObject>
#include <QString>
#include <QTimer>
#include <cstdio>
#include <functional>

namespace nomispot::cli {

// Rewrites one line on standard error a few times a second with what line() says.
class ProgressReporter : public QObject {
    Q_OBJECT
public:
    ProgressReporter(std::function<QString()> line, std::FILE* out, QObject* parent = nullptr);
    ~ProgressReporter() override;

    void start();
    // Stops refreshing and clears the line.
    void stop();
    // Clears the line, so that a message starts on a clean one.
    void clearLine();

private:
    void print();

    std::function<QString()> m_line;
    std::FILE* m_out;
    QTimer m_timer;
    bool m_shown = false;
};

} // namespace nomispot::cli
