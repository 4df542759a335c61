#pragma once

#include "result.h"

#include <QSettings>
#include <QString>
#include <QStringList>
#include <functional>
#include <memory>

namespace nomispot {

// The per-user settings: an INI file with sections "main" and "domains".
class SettingsStore {
public:
    // Opens the file at path; the default is the user's configuration directory.
    explicit SettingsStore(const QString& path = defaultPath());
    ~SettingsStore();

    static QString defaultPath();
    QString path() const;

    bool contains(const QString& section, const QString& key) const;
    QString read(const QString& section, const QString& key, const QString& fallback) const;
    // A decimal number that fits [min, max]; anything else gives the fallback.
    long long readNumber(const QString& section, const QString& key, long long fallback,
                         long long min, long long max) const;
    // "False"/"True" and friends; anything else gives the fallback.
    bool readBool(const QString& section, const QString& key, bool fallback) const;

    void write(const QString& section, const QString& key, const QString& text);

    // A list of texts as QSettings writes one ("a, b", quoted where needed); a single text is a
    // list of one; anything else, or nothing, the empty list.
    QStringList readList(const QString& section, const QString& key) const;
    void writeList(const QString& section, const QString& key, const QStringList& texts);

    // Writes pending changes to disk. When the file cannot be written, calls the write-failure
    // handler (once for the life of the store); the file keeps what it held, and the new values
    // stay readable from memory.
    bool flush();
    void setWriteFailureHandler(std::function<void(const QString& path)> handler);

private:
    std::unique_ptr<QSettings> m_settings;
    std::function<void(const QString&)> m_onWriteFailure;
    bool m_failureReported = false;
};

QString settingsWriteFailureMessage(const QString& path);

// Fails with what the user is told when the settings file is there but cannot be read (then
// every value takes its fallback).
Status checkSettingsReadable(const QString& path);

} // namespace nomispot
