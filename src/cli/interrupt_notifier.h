#pragma once

#include <QObject>
#include <memory>

class QSocketNotifier;

namespace nomispot::cli {

// Turns SIGINT into a signal of the event loop, through a pipe the handler writes one byte to.
// A second SIGINT while the first is handled ends the process as usual.
class InterruptNotifier : public QObject {
    Q_OBJECT
public:
    explicit InterruptNotifier(QObject* parent = nullptr);
    ~InterruptNotifier() override;

signals:
    void interrupted();

private:
    void readPipe();

    int m_pipe[2] = {-1, -1};
    std::unique_ptr<QSocketNotifier> m_notifier;
};

} // namespace nomispot::cli
