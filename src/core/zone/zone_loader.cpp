#include "zone/zone_loader.h"

namespace nomispot {

ZoneLoader::ZoneLoader(QObject* parent) : QObject(parent) {}

ZoneLoader::~ZoneLoader() {
    cancel();
    join();
}

void ZoneLoader::join() {
    if (m_thread.joinable())
        m_thread.join();
}

void ZoneLoader::start(const QStringList& files, const QString& indexDir) {
    cancel();
    join();
    auto job = std::make_shared<Job>();
    m_job = job;
    // Reports reach this object through its event loop; one that comes after a cancel, or for a
    // loading started since, is dropped.
    m_thread = std::thread([this, job, files, indexDir] {
        job->loaded = loadZoneFiles(files, indexDir,
                                    [this, job, &files](int file, qint64 done, qint64 total) {
                                        if (job->cancelled)
                                            return false;
                                        QMetaObject::invokeMethod(
                                            this,
                                            [this, job, path = files[file], done, total] {
                                                if (job == m_job && !job->cancelled)
                                                    emit building(path, done, total);
                                            },
                                            Qt::QueuedConnection);
                                        return true;
                                    });
        QMetaObject::invokeMethod(
            this,
            [this, job] {
                if (job != m_job)
                    return;
                join();
                if (!job->cancelled)
                    emit finished();
            },
            Qt::QueuedConnection);
    });
}

void ZoneLoader::cancel() {
    if (m_job)
        m_job->cancelled = true;
}

ZoneFilesLoaded ZoneLoader::take() {
    if (!m_job || m_thread.joinable())
        return {};
    ZoneFilesLoaded loaded = std::move(m_job->loaded);
    m_job.reset();
    return loaded;
}

} // namespace nomispot
