#include "test_support.h"

#include "catalogue/catalogue_file.h"
#include "engine/query_runner.h"
#include "engine/run_plan.h"

#include <QCoreApplication>
#include <QFile>
#include <QStandardPaths>
#include <QTest>

namespace nomispot::test {

std::optional<CheckTable> checkNames(const QString& nameserver, const QString& names,
                                     const QStringList& suffixes, bool selfTest) {
    RunRequest request{names, CheckMode::Separately, SearchSet::DefaultList, suffixes};
    request.selfTest = selfTest;
    Result<RunPlan, RunRefusal> plan = planRun(request, TldCatalogue{});
    if (!plan)
        return std::nullopt;
    CheckTable table = std::move(plan->candidates);
    QueryRunner runner;
    if (!runner.initNetwork(nameserver))
        return std::nullopt;
    runner.start(table, 5, 2, table.candidateCount() + 1);
    if (!QTest::qWaitFor([&runner] { return !runner.isRunning(); }, 20000))
        return std::nullopt;
    return table;
}

QStringList MessageRecorder::texts() const {
    QStringList list;
    for (const Message& m : messages)
        list << m.text;
    return list;
}

TldCatalogue makeCatalogue(const QStringList& plainLines) {
    TldCatalogue catalogue;
    for (const QString& line : plainLines) {
        const QStringList f = line.split(u';');
        TldEntry& e = catalogue[catalogue.count++];
        e.tld = f.value(0);
        e.description = f.value(1);
        e.registrySite = f.value(2);
        e.subdomains = f.value(3);
    }
    return catalogue;
}

bool writeCatalogueFile(const QString& path, const QStringList& plainLines) {
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly))
        return false;
    for (const QString& line : plainLines)
        f.write(DecodeLine(line).toLatin1() + "\r\n");
    return true;
}

TestSettings::TestSettings() {
    // Files the program keeps for itself (the help collection) go to a test location.
    QStandardPaths::setTestModeEnabled(true);
    store = std::make_unique<SettingsStore>(settingsPath());
}

QString TestSettings::settingsPath() const {
    return dir.filePath(QStringLiteral("Nomispot.ini"));
}

std::unique_ptr<SettingsStore> TestSettings::reopenStore() const {
    return std::make_unique<SettingsStore>(settingsPath());
}

std::unique_ptr<SettingsStore> TestSettings::loadFromDisk() const {
    static int copies = 0;
    const QString copy = dir.filePath(QStringLiteral("disk%1.ini").arg(++copies));
    QFile::copy(settingsPath(), copy);
    return std::make_unique<SettingsStore>(copy);
}

QString binDir() {
    const QString env = qEnvironmentVariable("NOMISPOT_BIN_DIR");
    return env.isEmpty() ? QCoreApplication::applicationDirPath() : env;
}

} // namespace nomispot::test
