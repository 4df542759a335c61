#pragma once

#include <QString>

#include <memory>
#include <optional>

class QProcess;

namespace nomispot {

// Starts the program a command line names (program and arguments in one text); null when it
// cannot be started. A hidden program's output is discarded.
std::unique_ptr<QProcess> StartProcess(const QString& commandLine, bool hidden);

// Starts the program and blocks until it ends, or with waitForIdle until it is running; a
// timeout of 0 or less means no limit. True when that was reached, false when the timeout passed
// (the program goes on); nullopt when the program cannot be started.
std::optional<bool> ShellAndWait(const QString& commandLine, int timeoutMs, bool waitForIdle,
                                 bool hidden);

} // namespace nomispot
