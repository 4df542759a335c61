#include "files/file_access.h"

#include <QDir>
#include <QFile>
#include <QLocale>
#include <QSaveFile>
#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

namespace nomispot {

namespace {

FileReadError systemError(const QString& path, int error) {
    // A path through a file, like a path to nothing, names no file at all.
    return {path, qt_error_string(error), error == ENOENT || error == ENOTDIR};
}

QString notRegularReason(mode_t mode) {
    if (S_ISDIR(mode))
        return QStringLiteral("it is a folder, not a file");
    if (S_ISFIFO(mode))
        return QStringLiteral("it is a pipe, not a file");
    if (S_ISCHR(mode) || S_ISBLK(mode))
        return QStringLiteral("it is a device, not a file");
    if (S_ISSOCK(mode))
        return QStringLiteral("it is a socket, not a file");
    return QStringLiteral("it is not a regular file");
}

// An open file descriptor, closed by its owner.
class Descriptor {
public:
    explicit Descriptor(int fd) : m_fd(fd) {}
    Descriptor(Descriptor&& other) noexcept : m_fd(std::exchange(other.m_fd, -1)) {}
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;
    Descriptor& operator=(Descriptor&&) = delete;
    ~Descriptor() {
        if (m_fd >= 0)
            ::close(m_fd);
    }
    int get() const { return m_fd; }

private:
    int m_fd;
};

// Opens path for reading when it is a regular file. The kind is checked before opening, since
// opening a pipe waits for a writer and opening some devices acts on them, and again after, in
// case the path changed in between; the open itself never waits.
Result<Descriptor, FileReadError> openRegularFile(const QString& path) {
    const QByteArray name = QFile::encodeName(path);
    struct stat info {};
    if (::stat(name.constData(), &info) != 0) {
        const int error = errno;
        return systemError(path, error);
    }
    if (!S_ISREG(info.st_mode))
        return FileReadError{path, notRegularReason(info.st_mode)};
    Descriptor fd(::open(name.constData(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC));
    if (fd.get() < 0 || ::fstat(fd.get(), &info) != 0) {
        const int error = errno;
        return systemError(path, error);
    }
    if (!S_ISREG(info.st_mode))
        return FileReadError{path, notRegularReason(info.st_mode)};
    return fd;
}

} // namespace

Failure FileReadError::failure(const QString& what) const {
    return Failure{
        QStringLiteral("Cannot read %1 %2: %3").arg(what, QDir::toNativeSeparators(path), reason)};
}

Result<Done, FileReadError> checkRegularFile(const QString& path) {
    Result<Descriptor, FileReadError> opened = openRegularFile(path);
    if (!opened)
        return opened.error();
    return Done{};
}

Result<QByteArray, FileReadError> readRegularFile(const QString& path, qint64 maxBytes) {
    Result<Descriptor, FileReadError> opened = openRegularFile(path);
    if (!opened)
        return opened.error();
    const int fd = opened->get();

    // One byte past the limit tells a file that is too large; the size the system reports is
    // not trusted, since a file may grow while it is read.
    constexpr qint64 kChunk = 64 * 1024;
    QByteArray bytes;
    while (bytes.size() <= maxBytes) {
        const qsizetype start = bytes.size();
        bytes.resize(start + qMin(kChunk, maxBytes + 1 - start));
        const ssize_t got = ::read(fd, bytes.data() + start, std::size_t(bytes.size() - start));
        if (got < 0) {
            const int error = errno;
            bytes.resize(start);
            if (error == EINTR)
                continue;
            return systemError(path, error);
        }
        bytes.resize(start + got);
        if (got == 0)
            break;
    }
    if (bytes.size() > maxBytes)
        return FileReadError{path, QStringLiteral("it is larger than %1")
                                       .arg(QLocale::c().formattedDataSize(maxBytes, 0))};
    return bytes;
}

Status writeFileWhole(const QString& path, const QByteArray& bytes) {
    const auto failed = [&path](const QString& reason) {
        return Failure{
            QStringLiteral("Cannot write %1: %2").arg(QDir::toNativeSeparators(path), reason)};
    };
    // Unbuffered, so that a full disk fails the write that meets it instead of a flush inside
    // commit(). A QSaveFile that is not committed removes its temporary file when it goes.
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Unbuffered))
        return failed(file.errorString());
    for (qsizetype done = 0; done < bytes.size();) {
        const qint64 written = file.write(bytes.constData() + done, bytes.size() - done);
        if (written <= 0)
            return failed(file.errorString());
        done += written;
    }
    if (!file.flush())
        return failed(file.errorString());
    // On the disk before it replaces the old file: commit() does not report a failed sync.
    if (::fsync(file.handle()) != 0) {
        const int error = errno;
        return failed(qt_error_string(error));
    }
    if (!file.commit())
        return failed(file.errorString());
    return Done{};
}

} // namespace nomispot
