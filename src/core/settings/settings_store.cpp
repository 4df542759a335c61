#include "settings/settings_store.h"

#include "files/file_access.h"

#include <QDir>

namespace nomispot {

namespace {
QString keyOf(const QString& section, const QString& key) {
    return section + u'/' + key;
}
} // namespace

SettingsStore::SettingsStore(const QString& path)
    : m_settings(std::make_unique<QSettings>(path, QSettings::IniFormat)) {}

SettingsStore::~SettingsStore() = default;

QString SettingsStore::defaultPath() {
    return QSettings(QSettings::IniFormat, QSettings::UserScope, QStringLiteral("Nomispot"),
                     QStringLiteral("Nomispot"))
        .fileName();
}

QString SettingsStore::path() const {
    return m_settings->fileName();
}

bool SettingsStore::contains(const QString& section, const QString& key) const {
    return m_settings->contains(keyOf(section, key));
}

QString SettingsStore::read(const QString& section, const QString& key,
                            const QString& fallback) const {
    const QVariant v = m_settings->value(keyOf(section, key));
    if (!v.isValid())
        return fallback;
    // A value with commas comes back as a list; take the text as it stood.
    if (v.typeId() == QMetaType::QStringList)
        return v.toStringList().join(QStringLiteral(", "));
    return v.toString();
}

long long SettingsStore::readNumber(const QString& section, const QString& key, long long fallback,
                                    long long min, long long max) const {
    const QString text = read(section, key, QString());
    bool ok = false;
    const long long n = text.trimmed().toLongLong(&ok);
    return ok && n >= min && n <= max ? n : fallback;
}

bool SettingsStore::readBool(const QString& section, const QString& key, bool fallback) const {
    const QString text = read(section, key, QString()).trimmed().toLower();
    if (text == u"false" || text == u"0" || text == u"no")
        return false;
    if (text == u"true" || text == u"1" || text == u"yes")
        return true;
    bool ok = false;
    const long long n = text.toLongLong(&ok);
    return ok ? n != 0 : fallback;
}

void SettingsStore::write(const QString& section, const QString& key, const QString& text) {
    m_settings->setValue(keyOf(section, key), text);
}

QStringList SettingsStore::readList(const QString& section, const QString& key) const {
    const QVariant v = m_settings->value(keyOf(section, key));
    if (v.typeId() == QMetaType::QStringList)
        return v.toStringList();
    if (v.typeId() == QMetaType::QString && !v.toString().isEmpty())
        return {v.toString()};
    return {};
}

void SettingsStore::writeList(const QString& section, const QString& key,
                              const QStringList& texts) {
    m_settings->setValue(keyOf(section, key), texts);
}

bool SettingsStore::flush() {
    m_settings->sync();
    // A format error only means the file held lines it could not parse; it was still written.
    if (m_settings->status() != QSettings::AccessError)
        return true;
    if (!m_failureReported && m_onWriteFailure) {
        m_failureReported = true;
        m_onWriteFailure(path());
    }
    return false;
}

void SettingsStore::setWriteFailureHandler(std::function<void(const QString&)> handler) {
    m_onWriteFailure = std::move(handler);
}

QString settingsWriteFailureMessage(const QString& path) {
    return QStringLiteral("Your settings cannot be saved: %1 cannot be written.\rThe values you "
                          "set stay in effect until you close Nomispot; the file keeps what it "
                          "held before.")
        .arg(QDir::toNativeSeparators(path));
}

Status checkSettingsReadable(const QString& path) {
    // Not a pipe or a device: reading one would never end.
    const Result<Done, FileReadError> readable = checkRegularFile(path);
    if (readable || readable.error().missing)
        return Done{};
    return Failure{
        QStringLiteral("Your settings cannot be read: %1 (%2).\rNomispot starts with its "
                       "usual values.")
            .arg(QDir::toNativeSeparators(path), readable.error().reason)};
}

} // namespace nomispot
