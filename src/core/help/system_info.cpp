#include "help/system_info.h"

#include "app_info.h"

#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QSettings>
#include <QStandardPaths>

namespace nomispot {

SystemMachineValues::SystemMachineValues(QStringList searchPaths)
    : m_searchPaths(std::move(searchPaths)) {}

QStringList SystemMachineValues::viewerPrograms() {
    return {QStringLiteral("hardinfo"), QStringLiteral("kinfocenter"),
            QStringLiteral("gnome-system-monitor")};
}

std::optional<QString> SystemMachineValues::value(const QString& key, const QString& name) {
#ifdef Q_OS_WIN
    const QSettings registry(QStringLiteral("HKEY_LOCAL_MACHINE\\") + key, QSettings::NativeFormat);
    const QVariant v = registry.value(name);
    if (v.isValid())
        return v.toString();
    return std::nullopt;
#else
    // "SOFTWARE\Microsoft\Shared Tools\MSINFO" reads group MSINFO of Microsoft/Shared Tools.ini.
    const QStringList parts = key.split(u'\\', Qt::SkipEmptyParts);
    if (parts.size() >= 3 && parts[0].compare(u"SOFTWARE", Qt::CaseInsensitive) == 0) {
        const QSettings settings(QSettings::IniFormat, QSettings::SystemScope, parts[1], parts[2]);
        QStringList path = parts.mid(3);
        path << name;
        const QVariant v = settings.value(path.join(u'/'));
        if (v.isValid())
            return v.toString();
    }
    // No MSINFO32 here: the viewer's own key names the nearest equivalent that is installed.
    if (key == QLatin1String(kMsinfoKey) && name == QLatin1String(kMsinfoValue)) {
        for (const QString& program : viewerPrograms()) {
            const QString found = QStandardPaths::findExecutable(program, m_searchPaths);
            if (!found.isEmpty())
                return found;
        }
    }
    return std::nullopt;
#endif
}

SysInfoTools SysInfoTools::system() {
    SysInfoTools tools;
    tools.values = std::make_shared<SystemMachineValues>();
    tools.fileExists = [](const QString& path) { return QFileInfo(path).isFile(); };
    tools.start = [](const QString& program) { return QProcess::startDetached(program, {}); };
    return tools;
}

bool GetKeyValue(MachineValues& values, const QString& keyName, const QString& valueName,
                 QString& valueText) {
    valueText.clear();
    std::optional<QString> raw = values.value(keyName, valueName);
    if (!raw)
        return false;
    if (raw->endsWith(QChar(u'\0')))
        raw->chop(1);
    valueText = *raw;
    return true;
}

std::optional<QString> FindSysInfoProgram(const SysInfoTools& tools) {
    if (!tools.values)
        return std::nullopt;
    QString text;
    // The viewer's own path is taken as it stands, without an existence test.
    if (GetKeyValue(*tools.values, QString::fromLatin1(kMsinfoKey),
                    QString::fromLatin1(kMsinfoValue), text))
        return text;
    if (GetKeyValue(*tools.values, QString::fromLatin1(kToolsLocationKey),
                    QString::fromLatin1(kToolsLocationValue), text)) {
        const QString program = text + QDir::separator() + QStringLiteral("MSINFO32.EXE");
        if (tools.fileExists && tools.fileExists(program))
            return program;
    }
    return std::nullopt;
}

void StartSysInfo(const SysInfoTools& tools, MessageService& messages) {
    const std::optional<QString> program = FindSysInfoProgram(tools);
    if (program && tools.start && tools.start(*program))
        return;
    messages.show(Message{appTitle(), QString::fromLatin1(kSysInfoUnavailable), MessageIcon::None});
}

} // namespace nomispot
