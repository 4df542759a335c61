#include "settings/system_resolver.h"

#include "settings/dns_settings.h"

#include <QFile>
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
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    // The file is small; a bound keeps a wrong path (a device, a huge file) harmless.
    return firstNameserver(QString::fromUtf8(file.read(64 * 1024)));
}

QString defaultNameserver() {
    const QString system = systemNameserver();
    return system.isEmpty() ? QString::fromLatin1(kPlaceholderNameserver) : system;
}

} // namespace nomispot
