#pragma once

#include "zone/zone_files.h"

#include <QObject>
#include <QStringList>
#include <atomic>
#include <memory>
#include <thread>

namespace nomispot {

// Loads a run's zone files on a thread of its own: the first index of a large zone takes
// minutes to build, and the window meanwhile shows the progress and can cancel.
class ZoneLoader : public QObject {
    Q_OBJECT
public:
    explicit ZoneLoader(QObject* parent = nullptr);
    ~ZoneLoader() override; // cancels a loading under way and waits for its thread

    void start(const QStringList& files, const QString& indexDir);
    // Stops the loading: a build under way stops at its next piece, and finished never comes.
    void cancel();
    // What the loading found, once finished has come.
    ZoneFilesLoaded take();

signals:
    // While an index is built: the zone file, and its bytes read so far of its size.
    void building(const QString& file, qint64 done, qint64 total);
    void finished();

private:
    struct Job {
        std::atomic<bool> cancelled{false};
        ZoneFilesLoaded loaded;
    };

    void join();

    std::shared_ptr<Job> m_job;
    std::thread m_thread;
};

} // namespace nomispot
