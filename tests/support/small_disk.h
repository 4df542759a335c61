#pragma once

#include <QString>
#include <QTemporaryDir>

namespace nomispot::test {

// A small tmpfs mounted on a temporary folder, to write onto a disk that runs out of room.
// Mounting needs root; where it cannot be done, mounted() is false and skipReason() says why.
class SmallDisk {
public:
    explicit SmallDisk(qint64 bytes = 64 * 1024);
    ~SmallDisk();
    SmallDisk(const SmallDisk&) = delete;
    SmallDisk& operator=(const SmallDisk&) = delete;

    bool mounted() const { return m_mounted; }
    QString skipReason() const { return m_skipReason; }
    QString filePath(const QString& name) const { return m_dir.filePath(name); }

    // Fills the disk with a file of its own until a write fails, then gives back leaveFree
    // bytes; false when the disk never filled.
    bool fill(qint64 leaveFree = 0);

private:
    QTemporaryDir m_dir;
    bool m_mounted = false;
    QString m_skipReason;
};

} // namespace nomispot::test

// Mounts disk, or skips the test function with why not.
#define NOMISPOT_REQUIRE_SMALL_DISK(disk)                                                          \
    if (!(disk).mounted())                                                                         \
        QSKIP(qPrintable((disk).skipReason()));
