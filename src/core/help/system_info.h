#pragma once

#include "message_service.h"

#include <QString>
#include <QStringList>
#include <functional>
#include <memory>
#include <optional>

namespace nomispot {

inline constexpr auto kMsinfoKey = "SOFTWARE\\Microsoft\\Shared Tools\\MSINFO";
inline constexpr auto kMsinfoValue = "PATH";
inline constexpr auto kToolsLocationKey = "SOFTWARE\\Microsoft\\Shared Tools Location";
inline constexpr auto kToolsLocationValue = "MSINFO";
inline constexpr auto kSysInfoUnavailable = "System Information Is Unavailable At This Time";

// Machine-wide values by key and value name, as the registry of the local machine holds them.
class MachineValues {
public:
    virtual ~MachineValues() = default;
    // The raw text of the value, or nothing when the key or the value does not exist.
    virtual std::optional<QString> value(const QString& key, const QString& name) = 0;
};

// The real machine-wide values: the local machine's registry on Windows. Elsewhere system-scope
// INI files, key "SOFTWARE\<organisation>\<application>\<group>..." read from
// <organisation>/<application>.ini in the system configuration directories (/etc/xdg); when
// those name no system information viewer, the first installed one of programs stands in.
class SystemMachineValues : public MachineValues {
public:
    // searchPaths: where to look for the viewers; empty means the PATH.
    explicit SystemMachineValues(QStringList searchPaths = {});
    std::optional<QString> value(const QString& key, const QString& name) override;

    // Linux system information programs, in order of preference.
    static QStringList viewerPrograms();

private:
    QStringList m_searchPaths;
};

// What starting the system information viewer needs from the platform.
struct SysInfoTools {
    std::shared_ptr<MachineValues> values;
    std::function<bool(const QString& path)> fileExists;
    // Starts the program without waiting for it; false when it cannot be started.
    std::function<bool(const QString& program)> start;

    // The machine's own values, file system and process start.
    static SysInfoTools system();
};

// Reads one machine-wide value as text. A value that ends in a NUL loses that NUL. False, with an
// empty text, when the value cannot be read.
bool GetKeyValue(MachineValues& values, const QString& keyName, const QString& valueName,
                 QString& valueText);

// The system information viewer's program path, or nothing when the look-ups find none.
std::optional<QString> FindSysInfoProgram(const SysInfoTools& tools);

// Starts the system information viewer; when there is none or it cannot start, says so.
void StartSysInfo(const SysInfoTools& tools, MessageService& messages);

} // namespace nomispot
