// Every recorded WHOIS answer of tests/data/whois-answers read as the program reads it: how many
// are read right, how many end unknown, and never a false "free".
#include "results/result_formats.h"
#include "test_support.h"
#include "whois/whois_answer.h"
#include "whois/whois_directory.h"

#include <QFile>
#include <QTest>
#include <map>

using namespace nomispot;

namespace {

const QString kCorpus = QStringLiteral(NOMISPOT_TEST_DATA_DIR "/whois-answers");

struct Score {
    int answers = 0;
    int right = 0;
    int unknown = 0;
    int falseFree = 0;
    int wrong = 0; // another verdict: free read as taken, say
};

// Whether the reading is what an answer of kind means.
enum class Verdict { Right, Unknown, FalseFree, Wrong };

Verdict judge(const QString& kind, const WhoisReading& reading) {
    const bool free = reading.answer == RegistryAnswer::NotFound;
    const bool found = reading.answer == RegistryAnswer::Found;
    if (kind == u"free")
        return free ? Verdict::Right : found ? Verdict::Wrong : Verdict::Unknown;
    if (free)
        return Verdict::FalseFree;
    if (kind == u"registered")
        return found ? Verdict::Right : Verdict::Unknown;
    if (kind == u"reserved")
        return found && reading.reserved ? Verdict::Right
               : found                   ? Verdict::Wrong
                                         : Verdict::Unknown;
    if (kind == u"rate-limited")
        return reading.rateLimited ? Verdict::Right : found ? Verdict::Wrong : Verdict::Unknown;
    // Errors and answers about other names: nothing to read from them.
    return found ? Verdict::Wrong : Verdict::Right;
}

} // namespace

class TestWhoisCorpus : public QObject {
    Q_OBJECT
private slots:
    void everyAnswer();
};

void TestWhoisCorpus::everyAnswer() {
    const Result<WhoisDirectory> directory = loadWhoisDirectory(test::binDir());
    QVERIFY(directory);
    QFile index(kCorpus + QStringLiteral("/index.tsv"));
    QVERIFY2(index.open(QIODevice::ReadOnly), qPrintable(index.fileName()));
    std::map<QString, Score> scores; // by kind
    QStringList misses;
    index.readLine(); // the header
    while (!index.atEnd()) {
        const QStringList fields = QString::fromUtf8(index.readLine()).trimmed().split(u'\t');
        QCOMPARE(fields.size(), 5);
        const QString& file = fields[0];
        const QString& domain = fields[2];
        const QString& kind = fields[3];
        QFile answer(kCorpus + u'/' + file);
        QVERIFY2(answer.open(QIODevice::ReadOnly), qPrintable(file));
        const WhoisReading reading = readWhoisAnswer(directory->wordings, domain, answer.readAll());
        Score& score = scores[kind];
        ++score.answers;
        switch (judge(kind, reading)) {
        case Verdict::Right:
            ++score.right;
            continue;
        case Verdict::Unknown:
            ++score.unknown;
            break;
        case Verdict::FalseFree:
            ++score.falseFree;
            break;
        case Verdict::Wrong:
            ++score.wrong;
            break;
        }
        misses << QStringLiteral("%1 (%2): %3 %4")
                      .arg(file, kind, registryWord(reading.answer),
                           reading.rateLimited ? QStringLiteral("rate-limited") : reading.reason);
    }
    int answers = 0, right = 0, falseFree = 0;
    for (const auto& [kind, score] : scores) {
        qInfo("%-12s %4d answers: %4d right (%5.1f %%), %3d unknown, %2d false free, %2d wrong",
              qPrintable(kind), score.answers, score.right, 100.0 * score.right / score.answers,
              score.unknown, score.falseFree, score.wrong);
        answers += score.answers;
        right += score.right;
        falseFree += score.falseFree;
    }
    qInfo("all          %4d answers: %4d right (%5.1f %%), %2d false free", answers, right,
          100.0 * right / answers, falseFree);
    if (qEnvironmentVariableIsSet("NOMISPOT_SHOW_MISSES"))
        for (const QString& miss : misses)
            qInfo("%s", qPrintable(miss));
    QVERIFY(answers > 500);
    // A registry's answer is the last word on "free": never a false one.
    QCOMPARE(falseFree, 0);
    const Score& free = scores["free"];
    const Score& registered = scores["registered"];
    const double freeAndTaken =
        100.0 * (free.right + registered.right) / (free.answers + registered.answers);
    QVERIFY2(freeAndTaken >= 95.0, qPrintable(QString::number(freeAndTaken)));
}

QTEST_GUILESS_MAIN(TestWhoisCorpus)
#include "tst_whois_corpus.moc"
