// The stored settings: any bytes as the INI file, read the way start-up and the dialogs read it.
// The input's first line names the catalogue's TLDs (separated by ';'); the rest is the file.

#include "fuzz_input.h"
#include "settings/settings_ops.h"
#include "settings/system_resolver.h"

#include <QDateTime>
#include <QFile>
#include <QTemporaryDir>
#include <charconv>
#include <memory>
#include <optional>

using namespace nomispot;

namespace {

const QString kMain = QString::fromLatin1(kSectionMain);
const QString kDomains = QString::fromLatin1(kSectionDomains);

// The three files an input uses, the same ones for the whole run: a new file for every input
// would leave one more entry in Qt's cache of settings files each time.
enum class Slot { Stored, Written, Copy };

// Rewrites a slot's file with bytes and gives it a modification time no earlier write had, so
// Qt reads it afresh instead of handing back what it cached from the slot's last input.
QString fileWith(Slot slot, const QByteArray& bytes) {
    static const QTemporaryDir dir;
    static qint64 writes = 0;
    QFile file(dir.filePath(QString::number(static_cast<int>(slot)) + QStringLiteral(".ini")));
    FUZZ_CHECK(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    FUZZ_CHECK(file.write(bytes) == bytes.size() && file.flush());
    FUZZ_CHECK(file.setFileTime(QDateTime::fromSecsSinceEpoch(++writes, Qt::UTC),
                                QFileDevice::FileModificationTime));
    return file.fileName();
}

// The value of text when it is a plain decimal number, blanks around it allowed.
std::optional<long long> plainNumber(const QString& text) {
    const QByteArray t = text.trimmed().toLatin1();
    long long n = 0;
    const auto [end, ec] = std::from_chars(t.constData(), t.constData() + t.size(), n);
    if (t.isEmpty() || ec != std::errc() || end != t.constData() + t.size())
        return std::nullopt;
    return n;
}

// A number field holds the stored number when that fits it, else its fallback.
void checkNumber(const SettingsStore& store, const QString& section, const QString& key,
                 long long value, long long fallback, long long min, long long max) {
    const QString text = store.read(section, key, QString());
    if (const auto n = plainNumber(text); n && *n >= min && *n <= max)
        FUZZ_CHECK(value == *n);
    if (value != fallback) {
        bool ok = false;
        FUZZ_CHECK(text.trimmed().toLongLong(&ok) == value && ok);
    }
}

struct Loaded {
    DnsSettings dns{QStringLiteral("unset"), 1234, 99};
    std::unique_ptr<TldCatalogue> catalogue = std::make_unique<TldCatalogue>();
    bool firstRun = false;
    bool userDomains = false;
};

Loaded load(const SettingsStore& store, const QStringList& tlds) {
    Loaded l;
    for (const QString& tld : tlds) {
        (*l.catalogue)[l.catalogue->count].tld = tld;
        (*l.catalogue)[l.catalogue->count++].selected = 7;
    }
    l.firstRun = isFirstRun(store);
    LoadTldSelection(store, *l.catalogue);
    LoadDnsSettings(store, l.dns);
    l.userDomains = readUseUserDomains(store);
    return l;
}

void checkFields(const SettingsStore& store, const Loaded& l) {
    if (!store.contains(kMain, QStringLiteral("dns")))
        FUZZ_CHECK(l.dns.nameserver == defaultNameserver());
    checkNumber(store, kMain, QStringLiteral("retries"), l.dns.retries, kDefaultRetries, 0, 255);
    checkNumber(store, kMain, QStringLiteral("delay"), l.dns.delayMs, kDefaultDelayMs, -32768,
                32767);
    const TldCatalogue& cat = *l.catalogue;
    for (int i = 0; i < cat.count; ++i) {
        checkNumber(store, kDomains, cat[i].tld, cat[i].selected, 0, 0, 255);
        // Entries with the same text share one key.
        for (int j = 0; j < i; ++j)
            if (cat[j].tld == cat[i].tld)
                FUZZ_CHECK(cat[j].selected == cat[i].selected);
    }
    if (!store.contains(kMain, QStringLiteral("init")))
        FUZZ_CHECK(l.firstRun);
    const QString domains = store.read(kMain, QStringLiteral("domains"), QStringLiteral("default"));
    FUZZ_CHECK(l.userDomains == (domains != u"default"));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const QByteArray bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    const qsizetype newline = bytes.indexOf('\n');
    const QByteArray head = newline < 0 ? bytes : bytes.left(newline);
    QStringList tlds = QString::fromLatin1(head).split(u';');
    tlds = tlds.mid(0, 8);

    const QString stored =
        fileWith(Slot::Stored, newline < 0 ? QByteArray() : bytes.mid(newline + 1));
    Loaded first;
    {
        const SettingsStore store(stored);
        first = load(store, tlds);
        checkFields(store, first);
    }

    // What the program writes it reads back the same from the file.
    const QString written = fileWith(Slot::Written, {});
    {
        SettingsStore store(written);
        bool failed = false;
        store.setWriteFailureHandler([&failed](const QString&) { failed = true; });
        markFirstRunDone(store);
        writeUseUserDomains(store, first.userDomains);
        SaveDnsSettings(store, first.dns);
        SaveTldSelection(store, *first.catalogue);
        FUZZ_CHECK(!failed);
    }
    QFile writtenFile(written);
    FUZZ_CHECK(writtenFile.open(QIODevice::ReadOnly));
    const SettingsStore reread(fileWith(Slot::Copy, writtenFile.readAll()));
    const Loaded second = load(reread, tlds);
    FUZZ_CHECK(!second.firstRun);
    FUZZ_CHECK(second.userDomains == first.userDomains);
    FUZZ_CHECK(second.dns == first.dns);
    for (int i = 0; i < first.catalogue->count; ++i)
        FUZZ_CHECK((*second.catalogue)[i].selected == (*first.catalogue)[i].selected);
    return 0;
}
