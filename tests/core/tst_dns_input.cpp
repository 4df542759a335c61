#include "settings/dns_input.h"

#include <QTest>

using namespace nomispot;

namespace {
const QString kRetries = QString::fromLatin1(kRetriesRangeMessage);
const QString kDelay = QString::fromLatin1(kDelayRangeMessage);
const QString kKept; // a null text: the box is not rewritten
} // namespace

class TestDnsInput : public QObject {
    Q_OBJECT
private slots:
    void validate_data();
    void validate();
    void numericValue_data();
    void numericValue();
    void roundHalfEven_data();
    void roundHalfEven();
    void nameserverAsTyped_data();
    void nameserverAsTyped();
};

void TestDnsInput::validate_data() {
    QTest::addColumn<QString>("retries");
    QTest::addColumn<QString>("delay");
    QTest::addColumn<QString>("message");
    QTest::addColumn<QString>("retriesBox"); // null: not rewritten
    QTest::addColumn<QString>("delayBox");
    QTest::addColumn<int>("acceptedRetries");
    QTest::addColumn<int>("acceptedDelay");

    // clang-format off
    QTest::newRow("neither numeric")   << "x"    << "abc"  << kRetries << kKept << kKept  << 0  << 0;
    QTest::newRow("empty delay")       << "3"    << ""     << kDelay   << kKept << kKept  << 0  << 0;
    QTest::newRow("blank retries")     << "  "   << "50"   << kRetries << kKept << kKept  << 0  << 0;
    QTest::newRow("delay first")       << "0"    << "2"    << kDelay   << "0"   << "2"    << 0  << 0;
    QTest::newRow("then retries")      << "0"    << "50"   << kRetries << "0"   << "50"   << 0  << 0;
    QTest::newRow("lower bounds")      << "1"    << "5"    << ""       << "1"   << "5"    << 1  << 5;
    QTest::newRow("upper bounds")      << "10"   << "1000" << ""       << "10"  << "1000" << 10 << 1000;
    QTest::newRow("delay 1001")        << "3"    << "1001" << kDelay   << "3"   << "1001" << 0  << 0;
    QTest::newRow("delay 4")           << "3"    << "4"    << kDelay   << "3"   << "4"    << 0  << 0;
    QTest::newRow("retries 11")        << "11"   << "50"   << kRetries << "11"  << "50"   << 0  << 0;
    QTest::newRow("leading zeros")     << "03"   << "0050" << ""       << "3"   << "50"   << 3  << 50;
    QTest::newRow("half to zero")      << ".5"   << "50"   << kRetries << "0"   << "50"   << 0  << 0;
    QTest::newRow("halves down")       << "2.5"  << "6.5"  << ""       << "2"   << "6"    << 2  << 6;
    QTest::newRow("halves up")         << "3.5"  << "5.5"  << ""       << "4"   << "6"    << 4  << 6;
    QTest::newRow("blanks around")     << " 3 "  << " 50"  << ""       << "3"   << "50"   << 3  << 50;
    QTest::newRow("signs")             << "+3"   << "-5"   << kDelay   << "3"   << "-5"   << 0  << 0;
    QTest::newRow("negative retries")  << "-1"   << "50"   << kRetries << kKept << "50"   << 0  << 0;
    QTest::newRow("negative half")     << "-.5"  << "50"   << kRetries << "0"   << "50"   << 0  << 0;
    QTest::newRow("exponent")          << "1e1"  << "5E1"  << ""       << "10"  << "50"   << 10 << 50;
    QTest::newRow("9e99")              << "3"    << "9e99" << kDelay   << "3"   << kKept  << 0  << 0;
    QTest::newRow("1e10")              << "3"    << "1e10" << kDelay   << "3"   << kKept  << 0  << 0;
    QTest::newRow("past 16 bits")      << "3"    << "4e4"  << kDelay   << "3"   << kKept  << 0  << 0;
    QTest::newRow("too long for box")  << "3"    << "-1e4" << kDelay   << "3"   << kKept  << 0  << 0;
    QTest::newRow("past 8 bits")       << "3e2"  << "50"   << kRetries << kKept << "50"   << 0  << 0;
    QTest::newRow("both too large")    << "9e9"  << "9e9"  << kDelay   << kKept << kKept  << 0  << 0;
    QTest::newRow("infinity")          << "3"    << "inf"  << kDelay   << kKept << kKept  << 0  << 0;
    QTest::newRow("nan")               << "nan"  << "50"   << kRetries << kKept << kKept  << 0  << 0;
    QTest::newRow("hexadecimal")       << "3"    << "0x10" << kDelay   << kKept << kKept  << 0  << 0;
    QTest::newRow("inner blank")       << "1 0"  << "50"   << kRetries << kKept << kKept  << 0  << 0;
    // clang-format on
}

void TestDnsInput::validate() {
    QFETCH(QString, retries);
    QFETCH(QString, delay);
    QFETCH(QString, message);
    QFETCH(QString, retriesBox);
    QFETCH(QString, delayBox);
    QFETCH(int, acceptedRetries);
    QFETCH(int, acceptedDelay);

    const DnsValidation result =
        ValidateDnsInput(DnsInput{QStringLiteral("ns.example.org"), delay, retries});
    QCOMPARE(result.settings ? QString() : result.settings.error().message, message);
    QCOMPARE(result.settings.ok(), message.isEmpty());
    QCOMPARE(result.retriesText.has_value(), !retriesBox.isNull());
    QCOMPARE(result.retriesText.value_or(QString()), retriesBox);
    QCOMPARE(result.delayText.has_value(), !delayBox.isNull());
    QCOMPARE(result.delayText.value_or(QString()), delayBox);
    if (result.settings) {
        QCOMPARE(*result.settings,
                 (DnsSettings{QStringLiteral("ns.example.org"), std::int16_t(acceptedDelay),
                              std::uint8_t(acceptedRetries)}));
    }
}

void TestDnsInput::numericValue_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("numeric");
    QTest::addColumn<double>("value");

    QTest::newRow("digits") << "42" << true << 42.0;
    QTest::newRow("decimals") << "4.25" << true << 4.25;
    QTest::newRow("trailing point") << "5." << true << 5.0;
    QTest::newRow("leading point") << "-.5" << true << -0.5;
    QTest::newRow("exponent with sign") << " 2.5e-1 " << true << 0.25;
    QTest::newRow("tab around") << "\t7\t" << true << 7.0;
    QTest::newRow("empty") << "" << false << 0.0;
    QTest::newRow("blanks") << "   " << false << 0.0;
    QTest::newRow("point alone") << "." << false << 0.0;
    QTest::newRow("sign alone") << "-" << false << 0.0;
    QTest::newRow("open exponent") << "1e" << false << 0.0;
    QTest::newRow("two signs") << "--5" << false << 0.0;
    QTest::newRow("comma") << "1,5" << false << 0.0;
    QTest::newRow("overflow") << "1e999" << false << 0.0;
    QTest::newRow("infinity") << "Infinity" << false << 0.0;
    QTest::newRow("letters after") << "5ms" << false << 0.0;
}

void TestDnsInput::numericValue() {
    QFETCH(QString, text);
    QFETCH(bool, numeric);
    QFETCH(double, value);
    const std::optional<double> result = nomispot::numericValue(text);
    QCOMPARE(result.has_value(), numeric);
    if (numeric)
        QCOMPARE(*result, value);
}

void TestDnsInput::roundHalfEven_data() {
    QTest::addColumn<double>("value");
    QTest::addColumn<double>("rounded");
    QTest::newRow("0.5") << 0.5 << 0.0;
    QTest::newRow("1.5") << 1.5 << 2.0;
    QTest::newRow("5.5") << 5.5 << 6.0;
    QTest::newRow("6.5") << 6.5 << 6.0;
    QTest::newRow("6.51") << 6.51 << 7.0;
    QTest::newRow("6.49") << 6.49 << 6.0;
    QTest::newRow("-2.5") << -2.5 << -2.0;
    QTest::newRow("-3.5") << -3.5 << -4.0;
    QTest::newRow("-0.4") << -0.4 << 0.0;
}

void TestDnsInput::roundHalfEven() {
    QFETCH(double, value);
    QFETCH(double, rounded);
    QCOMPARE(nomispot::roundHalfEven(value), rounded);
}

void TestDnsInput::nameserverAsTyped_data() {
    QTest::addColumn<QString>("nameserver");
    QTest::newRow("empty") << "";
    QTest::newRow("blanks kept") << " ns.example.org ";
    QTest::newRow("anything") << "not a host!";
}

void TestDnsInput::nameserverAsTyped() {
    QFETCH(QString, nameserver);
    const DnsValidation result = ValidateDnsInput(DnsInput{nameserver, "50", "3"});
    QVERIFY(result.settings);
    QCOMPARE(result.settings->nameserver, nameserver);
}

QTEST_GUILESS_MAIN(TestDnsInput)
#include "tst_dns_input.moc"
