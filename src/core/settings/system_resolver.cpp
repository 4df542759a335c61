#include "settings/system_resolver.h"

#include "files/file_access.h"
#include "settings/dns_settings.h"

#include <QStringList>

namespace nomispot {

QString firstNameserver(const QString& resolvConf) {
    for (const QString& line : resolvConf.split(u'\n')) {
        // Blanks and tabs both separate the keyword from its value.
        const QStringList fields = line.simplified().split(u' ', Qt::SkipEmptyParts);
        if (fields.size() >= 2 && fields.front() == u"nameserver")
            return fields.at(1);
    }
    return {};
}

QString systemNameserver() {
    QString path = qEnvironmentVariable(kResolvConfEnv);
    if (path.isEmpty())
        path = QStringLiteral("/etc/resolv.conf");
    // The file is small; a wrong path (a pipe, a device, a huge file) gives no nameserver.
    const Result<QByteArray, FileReadError> text = readRegularFile(path, 1024 * 1024);
    return text ? firstNameserver(QString::fromUtf8(*text)) : QString();
}

QString defaultNameserver() {
    const QString system = systemNameserver();
    return system.isEmpty() ? QString::fromLatin1(kPlaceholderNameserver) : system;
}

QString nameserverInUse(const QString& setting) {
    return setting.trimmed().isEmpty() ? defaultNameserver() : setting;
}

} // namespace nomispot
