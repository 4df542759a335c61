#include "registry/registry_outcome.h"
#include "run/registries.h"
#include "server_process.h"
#include "test_support.h"
#include "whois/whois_answer.h"
#include "whois/whois_client.h"
#include "whois/whois_directory.h"
#include "whois_server.h"

#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

using namespace nomispot;
using namespace std::chrono_literals;

namespace {

const QString kWhoisA = QStringLiteral("127.0.0.81");
const QString kWhoisB = QStringLiteral("127.0.0.82");
// Nothing listens here.
const QString kDeadWhois = QStringLiteral("127.0.0.83");

// The shipped tables, as the build copies them next to the programs.
WhoisDirectory shippedDirectory() {
    Result<WhoisDirectory> directory = loadWhoisDirectory(test::binDir());
    if (!directory)
        qFatal("%s", qPrintable(directory.error().message));
    return std::move(*directory);
}

// The shipped wordings with the test's servers.
WhoisDirectory directoryWith(const QMap<QString, QString>& servers) {
    WhoisDirectory directory = shippedDirectory();
    directory.servers = parseWhoisServers(test::whoisServersTable(servers), QStringLiteral("test"),
                                          directory.skipped);
    applyQueryForms(directory);
    return directory;
}

} // namespace

class TestWhois : public QObject {
    Q_OBJECT
private slots:
    void readAnswer_data();
    void readAnswer();
    void dates_data();
    void dates();
    void directory();
    void serverTable_data();
    void serverTable();
    void queryLine_data();
    void queryLine();
    void lookUps_data();
    void lookUps();
    void rateLimitRests();
    void pacing();
    void cancel();
    void callersShareOneClient();
};

void TestWhois::readAnswer_data() {
    QTest::addColumn<QString>("domain");
    QTest::addColumn<QByteArray>("answer");
    QTest::addColumn<int>("expected");
    QTest::addColumn<QString>("flag");    // "rate", "reserved" or empty
    QTest::addColumn<QString>("detail");  // Found: the registrar; else the start of the reason
    QTest::addColumn<QString>("expires"); // Found: yyyy-MM-dd or empty

    const int found = int(RegistryAnswer::Found);
    const int free = int(RegistryAnswer::NotFound);
    const int unknown = int(RegistryAnswer::Unknown);

    QTest::newRow("ae free, one line")
        << "example.ae" << QByteArray("No Data Found\r\n") << free << ""
        << ""
        << "";
    QTest::newRow("ae registered")
        << "example.ae"
        << QByteArray("Domain Name:                     example.ae\r\nRegistrar ID:"
                      "                    1\r\nRegistrar Name:                   Etisalat\r\n"
                      "Status:                           ok\r\n")
        << found << ""
        << "Etisalat"
        << "";
    QTest::newRow("bo free: the sentence is the whole answer")
        << "example.bo" << QByteArray("\n\nwhois.nic.bo solo acepta consultas con dominios .bo\n")
        << free << ""
        << ""
        << "";
    QTest::newRow("bo registered ends with the same sentence")
        << "google.com.bo"
        << QByteArray("Dominio: google.com.bo\nTitular: Google LLC\nFecha de vencimiento: "
                      "2030-05-31\n\nwhois.nic.bo solo acepta consultas con dominios .bo\n")
        << found << ""
        << ""
        << "2030-05-31";
    QTest::newRow("bo unknown layout with the sentence")
        << "example.bo"
        << QByteArray("Servicio en mantenimiento\n\nwhois.nic.bo solo acepta consultas con "
                      "dominios .bo\n")
        << unknown << ""
        << "Servicio en mantenimiento"
        << "";
    QTest::newRow("be registered says NOT AVAILABLE")
        << "example.be"
        << QByteArray("% .be Whois Server 6.1\n%\n% The WHOIS service offered by DNS Belgium "
                      "... check whether a specific domain name is still available or not\n\n"
                      "Domain:\texample.be\nStatus:\tNOT AVAILABLE\nRegistered:\tTue Jan 1 2002\n")
        << found << ""
        << ""
        << "";
    QTest::newRow("be free") << "free-name.be"
                             << QByteArray("Domain:\tfree-name.be\nStatus:\tAVAILABLE\n") << free
                             << ""
                             << ""
                             << "";
    QTest::newRow("gf registered with NO OBJECT FOUND! for its contacts")
        << "example.gf"
        << QByteArray("domain:  example.gf\nstatus:  ACTIVE\nadmin-c: XX1\n\n%% NO OBJECT "
                      "FOUND!\n\nobject: XX1\ntype: person\n")
        << found << ""
        << ""
        << "";
    QTest::newRow("gf free") << "free.gf"
                             << QByteArray("%% NO OBJECT FOUND!\n\nobject: free.gf\ntype: domain\n")
                             << free << ""
                             << ""
                             << "";
    QTest::newRow("mq registered: NO OBJECT FOUND! about a host")
        << "example.mq"
        << QByteArray("domain: example.mq\nstatus: ACTIVE\nnserver: ns1.example.mq\n\n"
                      "NO OBJECT FOUND!\nobject: ns1.example.mq\ntype: host\n")
        << found << ""
        << ""
        << "";
    QTest::newRow("la free, rate-limit notice in its footer")
        << "free.la"
        << QByteArray("The queried object does not exist: DOMAIN NOT FOUND\n\nAccess to the "
                      "whois service is rate limited.\n")
        << free << ""
        << ""
        << "";
    QTest::newRow("lu refusal naming the domain")
        << "example.lu" << QByteArray("% WHOIS example.lu\n%% Maximum query rate reached\n")
        << unknown << "rate"
        << "%% Maximum query rate reached"
        << "";
    QTest::newRow("hk refusal filed elsewhere as free")
        << "example.hk"
        << QByteArray("Please maintain at least 10-second time before starting another "
                      "enquiry.\n")
        << unknown << "rate"
        << "Please maintain"
        << "";
    QTest::newRow("nz 440") << "example.nz" << QByteArray("query_status: 440 Request Denied\n")
                            << unknown << "rate"
                            << "query_status: 440"
                            << "";
    QTest::newRow("nz 510 is an error, not a verdict")
        << "example.nz" << QByteArray("query_status: 510 Domain is not managed by this register\n")
        << unknown << ""
        << "query_status: 510 Domain is not managed"
        << "";
    QTest::newRow("es refusal with odd spacing, CRLF and NUL")
        << "example.es"
        << QByteArray("-------------------------------------------------------\r\nThe IP "
                      "address used to perform the query   is not authorised  or  has exceeded "
                      "the established limit for queries.\r\n") +
               QByteArray(1, '\0')
        << unknown << "rate"
        << "The IP address"
        << "";
    QTest::newRow("dk Status: Reserved is taken")
        << "example.dk"
        << QByteArray("# Hello 127.0.0.1. Your session has been logged.\n#\n# Copyright (c) "
                      "2002 - 2024 by Punktum dk A/S\n\nDomain:               example.dk\n"
                      "Registered:           1999-01-01\nExpires:              2030-03-31\n"
                      "Status:               Reserved\n")
        << found << ""
        << ""
        << "2030-03-31";
    QTest::newRow("dk waiting list is reserved")
        << "wanted.dk"
        << QByteArray("# Hello\n\nDomain:               wanted.dk\nRegistered:           "
                      "***N/A***\nStatus:               Offered to waiting list\n")
        << found << "reserved"
        << "Status: Offered to waiting list"
        << "";
    QTest::newRow("iq restricted next to No Object Found")
        << "example.iq"
        << QByteArray("Domain Name: example.iq\nDomain Status: No Object Found\nNotes: This "
                      "name is restricted, and can be registered but will require approval "
                      "before it can be delegated\n")
        << found << "reserved"
        << "Notes: This name is restricted"
        << "";
    QTest::newRow("qa reserved") << "example.qa" << QByteArray("Reserved by QDR\n") << found
                                 << "reserved"
                                 << "Reserved by QDR"
                                 << "";
    QTest::newRow("jp free: restricted is no verdict")
        << "free.jp"
        << QByteArray("[ JPRS database provides information on network administration. Its "
                      "use is    ]\n[ restricted to network administration purposes. ]\n\nNo "
                      "match!!\n")
        << free << ""
        << ""
        << "";
    QTest::newRow("jp registered")
        << "example.jp"
        << QByteArray("[ JPRS database provides information ]\n\nDomain Information:\n[Domain "
                      "Name]                  EXAMPLE.JP\n[Registrant]               Example "
                      "KK\n[Expires on]               2030/01/31\n[Status]                   "
                      "Active\n")
        << found << ""
        << ""
        << "2030-01-31";
    QTest::newRow("at verdict in a comment line")
        << "free.at" << QByteArray("%\n% Copyright (c)2024 by NIC.AT\n%\n% nothing found\n") << free
        << ""
        << ""
        << "";
    QTest::newRow("cn lower case of 2014")
        << "free.cn" << QByteArray("no matching record.\r\n") << free << ""
        << ""
        << "";
    QTest::newRow("edu upper case")
        << "free.edu" << QByteArray("\nNO MATCH: free.edu\n") << free << ""
        << ""
        << "";
    QTest::newRow("by upper case")
        << "free.by" << QByteArray("OBJECT DOES NOT EXIST\n") << free << ""
        << ""
        << "";
    QTest::newRow("se quoted name")
        << "free.se" << QByteArray("# Copyright\n\ndomain \"free.se\" not found.\n") << free << ""
        << ""
        << "";
    QTest::newRow("tm available for purchase")
        << "free.tm" << QByteArray("Domain free.tm is available for purchase\n") << free << ""
        << ""
        << "";
    QTest::newRow("kw disclaimer only")
        << "example.kw"
        << QByteArray("FAILURE TO LOCATE A RECORD IN THE WHOIS DATABASE IS NOT INDICATIVE OF "
                      "THE AVAILABILITY OF A DOMAIN NAME.\n")
        << unknown << ""
        << "FAILURE TO LOCATE A RECORD"
        << "";
    // TLDs without rows of their own: the generic ones, carefully.
    QTest::newRow("CoCCA free names the domain")
        << "free.zz" << QByteArray("Domain Name: free.zz\nDomain Status: No Object Found\n") << free
        << ""
        << ""
        << "";
    // Nominet's layout: a key alone on its line, its value indented below it.
    QTest::newRow("uk registered, block layout")
        << "example.co.zz"
        << QByteArray("\r\n    Domain name:\r\n        example.co.zz\r\n\r\n    Registrar:\r\n"
                      "        Example Registrar [Tag = EXAMPLE]\r\n\r\n    Relevant dates:\r\n"
                      "        Registered on: 01-Jan-2001\r\n        Expiry date:  01-Feb-2031\r\n")
        << found << ""
        << "Example Registrar [Tag = EXAMPLE]"
        << "2031-02-01";
    QTest::newRow("uk free, block layout")
        << "example.co.zz" << QByteArray("\r\n    No match for \"example.co.zz\".\r\n") << free
        << ""
        << ""
        << "";
    QTest::newRow("ICANN-style registered")
        << "example.zz"
        << QByteArray("Domain Name: EXAMPLE.ZZ\r\nRegistry Domain ID: 1-ZZ\r\nRegistrar: "
                      "Example Registrar, Inc.\r\nCreation Date: 2001-01-01T00:00:00Z\r\n"
                      "Registry Expiry Date: 2030-06-15T04:00:00Z\r\nDomain Status: "
                      "clientTransferProhibited https://icann.org/epp#clientTransferProhibited"
                      "\r\n")
        << found << ""
        << "Example Registrar, Inc."
        << "2030-06-15";
    QTest::newRow("generic no-match inside a sentence")
        << "example.zz"
        << QByteArray("Lookups that give No match for a name do not mean it is free.\n") << unknown
        << ""
        << "Lookups that give No match"
        << "";
    QTest::newRow("generic limit")
        << "example.zz" << QByteArray("WHOIS LIMIT EXCEEDED - SEE WWW.PIR.ORG\n") << unknown
        << "rate"
        << "WHOIS LIMIT EXCEEDED"
        << "";
    QTest::newRow("short try again later")
        << "example.zz" << QByteArray("Server busy, please try again later\n") << unknown << "rate"
        << "Server busy"
        << "";
    QTest::newRow("only comment marks") << "example.zz" << QByteArray("%%%\n#\n") << unknown << ""
                                        << "the answer holds no readable line"
                                        << "";
    QTest::newRow("empty") << "example.zz" << QByteArray("\r\n \r\n") << unknown << ""
                           << "the answer is empty"
                           << "";
    QTest::newRow("Latin-1 text") << "example.zz" << QByteArray("Dominio inv\xe1lido\n") << unknown
                                  << "" << QString::fromUtf8("Dominio inválido") << "";
    QTest::newRow("UTF-8 text") << "example.zz" << QByteArray("Dominio inv\xc3\xa1lido\n")
                                << unknown << "" << QString::fromUtf8("Dominio inválido") << "";
    QTest::newRow("windows-1252 where the table says so")
        << "example.tr" << QByteArray("\x93Invalid input\x94\n") << unknown << ""
        << QString::fromUtf8("“Invalid input”") << "";
    // Only an answer about the very name asked counts.
    QTest::newRow("no match for another name")
        << "x.com" << QByteArray("No match for \"OTHERNAME.COM\".\r\n") << unknown << ""
        << "No match"
        << "";
    QTest::newRow("a free status of another name")
        << "free.zz" << QByteArray("Domain: other.zz\nStatus: AVAILABLE\n") << unknown << ""
        << "the answer is about another domain (other.zz)"
        << "";
    // A refusal anywhere wins over the "no match" after it; a standing disclaimer that names
    // limits in every answer does not.
    QTest::newRow("throttled, then its usual no match")
        << "example.ru" << QByteArray("Error: too many requests\r\n\r\nNo entries found\r\n")
        << unknown << "rate"
        << "Error: too many requests"
        << "";
    QTest::newRow("disclaimer naming the rate limit")
        << "example.zz"
        << QByteArray("Domain Name: EXAMPLE.ZZ\nRegistrar: Example Registrar\n\n"
                      "Access to the whois service is rate limited. For more\n"
                      "information, please see the registry's site, where the\n"
                      "terms of use are published.\n")
        << found << ""
        << "Example Registrar"
        << "";
    // Layouts.
    QTest::newRow("free status of the name asked")
        << "free.zz" << QByteArray("Domain: free.zz\nStatus: free\n") << free << ""
        << ""
        << "";
    QTest::newRow("key and value apart by a tab")
        << "example.zz" << QByteArray("Domain name\texample.zz\n\nRegistrar\tExample Registrar\n")
        << found << ""
        << "Example Registrar"
        << "";
    QTest::newRow("name in its own script")
        << "xn--fsqu00a.xn--fiqs8s"
        << QByteArray("Domain Name: \xe4\xbe\x8b\xe5\xad\x90.\xe4\xb8\xad\xe5\x9b\xbd\n"
                      "Domain Status: ok\nSponsoring Registrar: Example Registrar\n")
        << found << ""
        << "Example Registrar"
        << "";
    QTest::newRow("tg free: dotted keys")
        << "free.tg"
        << QByteArray("NO OBJECT FOUND!\nobject:.............free.tg\ntype:...............domain\n")
        << free << ""
        << ""
        << "";
    QTest::newRow("control characters cleaned")
        << "example.zz" << QByteArray("\x1b]0;owned\x07 odd\tanswer\n") << unknown << ""
        << "]0;owned odd answer"
        << "";
}

void TestWhois::readAnswer() {
    QFETCH(QString, domain);
    QFETCH(QByteArray, answer);
    QFETCH(int, expected);
    QFETCH(QString, flag);
    QFETCH(QString, detail);
    QFETCH(QString, expires);

    static const WhoisDirectory directory = shippedDirectory();
    const WhoisReading reading = readWhoisAnswer(directory.wordings, domain, answer);
    QCOMPARE(int(reading.answer), expected);
    QCOMPARE(reading.rateLimited, flag == QLatin1String("rate"));
    QCOMPARE(reading.reserved, flag == QLatin1String("reserved"));
    if (reading.reserved)
        QCOMPARE(reading.record.status, QStringList{QStringLiteral("reserved")});
    if (reading.answer == RegistryAnswer::Found && !reading.reserved) {
        QVERIFY(!reading.record.ldhName.isEmpty());
        if (!detail.isEmpty())
            QCOMPARE(reading.record.registrar, detail);
    } else if (!detail.isEmpty()) {
        QVERIFY2(reading.reason.startsWith(detail), qPrintable(reading.reason));
    }
    QCOMPARE(reading.record.expires.date().toString(Qt::ISODate), expires);
}

void TestWhois::dates_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("utc"); // ISO, or empty: none

    QTest::newRow("ISO Z") << "2030-06-15T04:00:00Z"
                           << "2030-06-15T04:00:00Z";
    QTest::newRow("ISO fraction") << "2030-06-15T04:00:00.0Z"
                                  << "2030-06-15T04:00:00Z";
    QTest::newRow("offset") << "2030-06-15T04:00:00+02:00"
                            << "2030-06-15T02:00:00Z";
    QTest::newRow("space, UTC+8") << "2030-06-15 12:00:00 (UTC+8)"
                                  << "2030-06-15T04:00:00Z";
    QTest::newRow("dots") << "2030.06.15"
                          << "2030-06-15T00:00:00Z";
    QTest::newRow("slashes") << "2030/06/15"
                             << "2030-06-15T00:00:00Z";
    QTest::newRow("day first") << "15.06.2030"
                               << "2030-06-15T00:00:00Z";
    QTest::newRow("month name") << "15-jun-2030"
                                << "2030-06-15T00:00:00Z";
    QTest::newRow("month name first") << "June 15, 2030"
                                      << "2030-06-15T00:00:00Z";
    QTest::newRow("compact") << "20300615"
                             << "2030-06-15T00:00:00Z";
    QTest::newRow("impossible day") << "2030-02-31"
                                    << "";
    QTest::newRow("words") << "***N/A***"
                           << "";
}

void TestWhois::dates() {
    QFETCH(QString, text);
    QFETCH(QString, utc);
    const QDateTime date = parseWhoisDate(text);
    QCOMPARE(date.isValid() ? date.toUTC().toString(Qt::ISODate) : QString(), utc);
}

// The shipped tables: the unverified guesses are out, every wording is read.
void TestWhois::directory() {
    const WhoisDirectory directory = shippedDirectory();
    QVERIFY2(directory.skipped.isEmpty(), qPrintable(directory.skipped.join(u'\n')));
    QVERIFY(directory.servers.size() >= 230);
    QVERIFY(directory.wordings.size() >= 240);
    QVERIFY(!whoisServerFor(directory, QStringLiteral("a.live"))); // UNVERIFIED
    QVERIFY(!whoisServerFor(directory, QStringLiteral("a.app")));  // UNVERIFIED
    QCOMPARE(whoisServerFor(directory, QStringLiteral("A.Com."))->host,
             QStringLiteral("whois.verisign-grs.com"));
    QCOMPARE(whoisServerFor(directory, QStringLiteral("a.jp"))->queryForm,
             QStringLiteral("NAME/e"));
    QCOMPARE(whoisServerFor(directory, QStringLiteral("a.dk"))->queryForm,
             QStringLiteral("--charset=utf-8 NAME"));
    // A form seen on another host and port (EURid's DAS) is not whois.eu's.
    QCOMPARE(whoisServerFor(directory, QStringLiteral("a.eu"))->queryForm, QStringLiteral("NAME"));
    QCOMPARE(noWhoisServerMessage(QStringLiteral("a.live")),
             QStringLiteral("No WHOIS server known for .live"));

    // NOMISPOT_WHOIS_SERVERS names another table; a missing one is a failure naming it.
    QTemporaryDir dir;
    const QString table = dir.filePath(QStringLiteral("moved.tsv"));
    QVERIFY(
        test::writeTextFile(table, QStringLiteral("tld\twhois_host\nzz\twhois.example:4343\n")));
    qputenv("NOMISPOT_WHOIS_SERVERS", QFile::encodeName(table));
    Result<WhoisDirectory> named = loadWhoisDirectory(test::binDir());
    QVERIFY(named);
    QCOMPARE(named->servers.size(), std::size_t(1));
    QCOMPARE(whoisServerFor(*named, QStringLiteral("a.zz"))->port, quint16(4343));
    qputenv("NOMISPOT_WHOIS_SERVERS", QFile::encodeName(dir.filePath(QStringLiteral("none.tsv"))));
    const Result<WhoisDirectory> missing = loadWhoisDirectory(test::binDir());
    qunsetenv("NOMISPOT_WHOIS_SERVERS");
    QVERIFY(!missing);
    QVERIFY2(missing.error().message.contains(QStringLiteral("none.tsv")),
             qPrintable(missing.error().message));
    QVERIFY(!loadWhoisDirectory(dir.path())); // no tables at all
}

void TestWhois::serverTable_data() {
    QTest::addColumn<QByteArray>("tsv");
    QTest::addColumn<QString>("domain");
    QTest::addColumn<QString>("host"); // host:port, or empty: none
    QTest::addColumn<int>("skipped");

    const QByteArray header = "tld\twhois_host\tsource\tnote\n";
    QTest::newRow("default port") << header + "zz\twhois.nic.zz\tx\t\n"
                                  << "a.zz"
                                  << "whois.nic.zz:43" << 0;
    QTest::newRow("own port, CRLF, upper case") << header + "ZZ\tWhois.Nic.ZZ:4343\r\n"
                                                << "a.zz"
                                                << "whois.nic.zz:4343" << 0;
    QTest::newRow("longest suffix wins") << header + "uk\twhois.nic.uk\nco.uk\twhois.co.example\n"
                                         << "a.co.uk"
                                         << "whois.co.example:43" << 0;
    QTest::newRow("shorter suffix for other names")
        << header + "uk\twhois.nic.uk\nco.uk\twhois.co.example\n"
        << "a.org.uk"
        << "whois.nic.uk:43" << 0;
    QTest::newRow("bad lines skipped, good ones kept")
        << header + "zz\n\tno.tld\nz z\twhois.x\nzz\twhois.zz:0\nzz\tbad host\nzz\twhois.zz:99999"
                    "\nzz\twhois.zz\nzz\twhois.other\n"
        << "a.zz"
        << "whois.zz:43" << 7;
    QTest::newRow("header only") << header << "a.zz"
                                 << "" << 0;
}

void TestWhois::serverTable() {
    QFETCH(QByteArray, tsv);
    QFETCH(QString, domain);
    QFETCH(QString, host);
    QFETCH(int, skipped);
    WhoisDirectory directory;
    directory.servers = parseWhoisServers(tsv, QStringLiteral("t.tsv"), directory.skipped);
    QCOMPARE(directory.skipped.size(), skipped);
    for (const QString& message : directory.skipped)
        QVERIFY2(message.startsWith(QStringLiteral("t.tsv line ")), qPrintable(message));
    const std::optional<WhoisServer> server = whoisServerFor(directory, domain);
    QCOMPARE(server ? server->host + u':' + QString::number(server->port) : QString(), host);
}

void TestWhois::queryLine_data() {
    QTest::addColumn<QString>("suffix");
    QTest::addColumn<QString>("form");
    QTest::addColumn<QString>("domain");
    QTest::addColumn<QString>("line");

    QTest::newRow("bare") << "zz"
                          << "NAME"
                          << "Example.ZZ."
                          << "example.zz";
    QTest::newRow("JPRS English") << "jp"
                                  << "NAME/e"
                                  << "a.jp"
                                  << "a.jp/e";
    QTest::newRow("label") << "eu"
                           << "get 1.0 LABEL"
                           << "a.b.eu"
                           << "get 1.0 a.b";
    QTest::newRow("line break refused") << "zz"
                                        << "NAME"
                                        << "a.zz\r\nb.zz"
                                        << "";
    QTest::newRow("blank refused") << "zz"
                                   << "NAME"
                                   << "a b.zz"
                                   << "";
}

void TestWhois::queryLine() {
    QFETCH(QString, suffix);
    QFETCH(QString, form);
    QFETCH(QString, domain);
    QFETCH(QString, line);
    QCOMPARE(whoisQueryLine(WhoisServer{suffix, QStringLiteral("h"), 43, form}, domain), line);
}

void TestWhois::lookUps_data() {
    QTest::addColumn<QString>("domain");
    QTest::addColumn<int>("answer");
    QTest::addColumn<QString>("detail"); // Found: the registrar; else the start of the reason
    QTest::addColumn<int>("questions");  // how many the server saw

    const int unknown = int(RegistryAnswer::Unknown);
    QTest::newRow("registered") << "held.test" << int(RegistryAnswer::Found) << "Example Registrar"
                                << 1;
    QTest::newRow("not registered") << "free.test" << int(RegistryAnswer::NotFound) << "" << 1;
    QTest::newRow("refused for the rate, again")
        << "refused.test" << unknown << "127.0.0.81 refuses questions for now: Lookup quota" << 2;
    QTest::newRow("slow past the time-out")
        << "slow.test" << unknown << "no answer from 127.0.0.81 within 1 s" << 1;
    QTest::newRow("endless") << "endless.test" << unknown
                             << "the answer from 127.0.0.81 is too large (over 256 KB)" << 1;
    QTest::newRow("closed without a word")
        << "closed.test" << unknown << "127.0.0.81 closed the connection without an answer" << 1;
    QTest::newRow("UTF-8 answer") << "utf8.test" << unknown
                                  << QString::fromUtf8("Domaine réservé à l'État") << 1;
    QTest::newRow("Latin-1 answer")
        << "latin1.test" << unknown << QString::fromUtf8("Domaine réservé à l'État") << 1;
    QTest::newRow("no server for the TLD")
        << "name.zz" << unknown << "No WHOIS server known for .zz" << 0;
    QTest::newRow("nobody listening")
        << "name.dead" << unknown << "127.0.0.83: Connection refused" << 0;
    QTest::newRow("port of its own, refused")
        << "name.port" << unknown << "127.0.0.81:4343: Connection refused" << 0;
    QTest::newRow("line break in the name")
        << "a.test\r\nb.test" << unknown << "\"a.test b.test\" is not a name" << 0;
}

void TestWhois::lookUps() {
    QFETCH(QString, domain);
    QFETCH(int, answer);
    QFETCH(QString, detail);
    QFETCH(int, questions);

    test::LoopbackWhois server(
        kWhoisA,
        {{"held.test", "Domain Name: HELD.TEST\r\nRegistrar: Example Registrar\r\nCreation Date: "
                       "2020-01-01T00:00:00Z\r\nRegistry Expiry Date: 2030-01-01T00:00:00Z\r\n"},
         {"utf8.test", "Domaine r\xc3\xa9serv\xc3\xa9 \xc3\xa0 l'\xc3\x89tat\r\n"},
         {"latin1.test", "Domaine r\xe9serv\xe9 \xe0 l'\xc9tat\r\n"}},
        3.0);
    NOMISPOT_REQUIRE_SERVER_RUNNING(server);
    WhoisPolicy policy;
    policy.interval = 50ms;
    policy.timeout = 1s;
    policy.rest = 100ms;
    WhoisClient client(directoryWith({{QStringLiteral("test"), kWhoisA},
                                      {QStringLiteral("dead"), kDeadWhois},
                                      {QStringLiteral("port"), kWhoisA + QStringLiteral(":4343")}}),
                       policy);
    QSignalSpy answered(&client, &WhoisClient::answered);
    QSignalSpy idle(&client, &WhoisClient::idle);
    client.lookUp(7, domain);
    QCOMPARE(client.pending(), 1);
    QVERIFY(idle.wait(10000));
    QCOMPARE(answered.size(), 1);
    QCOMPARE(answered[0][0].toInt(), 7);
    const auto outcome = answered[0][1].value<RegistryOutcome>();
    QCOMPARE(int(outcome.answer), answer);
    if (outcome.answer == RegistryAnswer::Found) {
        QCOMPARE(outcome.record.registrar, detail);
        QCOMPARE(outcome.record.expires.date(), QDate(2030, 1, 1));
        QVERIFY(outcome.raw.startsWith("Domain Name: HELD.TEST"));
    } else if (!detail.isEmpty()) {
        QVERIFY2(outcome.reason.startsWith(detail), qPrintable(outcome.reason));
    }
    QCOMPARE(outcome.source, questions > 0 || domain.endsWith(QLatin1String(".dead")) ||
                                     domain.endsWith(QLatin1String(".port"))
                                 ? RegistrySource::Whois
                                 : RegistrySource::None);
    QVERIFY(outcome.raw.size() <= kLargestWhoisAnswer);
    int asked = 0;
    for (const test::LoopbackWhois::Event& event : server.events())
        if (!event.done) {
            ++asked;
            QCOMPARE(event.line, domain);
        }
    QCOMPARE(asked, questions);
    QCOMPARE(client.pending(), 0);
}

// A refusal rests the host, then the same question is asked again and answered.
void TestWhois::rateLimitRests() {
    test::LoopbackWhois server(kWhoisA, {});
    NOMISPOT_REQUIRE_SERVER_RUNNING(server);
    WhoisPolicy policy;
    policy.interval = 50ms;
    policy.rest = 300ms;
    WhoisClient client(directoryWith({{QStringLiteral("test"), kWhoisA}}), policy);
    QSignalSpy answered(&client, &WhoisClient::answered);
    QSignalSpy idle(&client, &WhoisClient::idle);
    client.lookUp(1, QStringLiteral("limited.test"));
    QVERIFY(idle.wait(10000));
    QCOMPARE(answered[0][1].value<RegistryOutcome>().answer, RegistryAnswer::NotFound);
    QTRY_COMPARE(server.events().size(), std::size_t(4)); // the last end is logged after ours
    const std::vector<test::LoopbackWhois::Event> events = server.events();
    QVERIFY(events[1].done && !events[2].done);
    // The end is logged just after the server closes, which the client may see first.
    QVERIFY2(events[2].seconds - events[1].seconds >= 0.3 - 0.01,
             qPrintable(QString::number(events[2].seconds - events[1].seconds)));
}

// One connection at a time per host, the next question at least an interval after the answer's
// end; two hosts side by side.
void TestWhois::pacing() {
    test::LoopbackWhois first(kWhoisA, {});
    test::LoopbackWhois second(kWhoisB, {});
    NOMISPOT_REQUIRE_SERVER_RUNNING(first);
    NOMISPOT_REQUIRE_SERVER_RUNNING(second);
    WhoisPolicy policy;
    policy.interval = 300ms;
    WhoisClient client(
        directoryWith({{QStringLiteral("one"), kWhoisA}, {QStringLiteral("two"), kWhoisB}}),
        policy);
    QSignalSpy answered(&client, &WhoisClient::answered);
    QSignalSpy idle(&client, &WhoisClient::idle);
    for (int i = 0; i < 3; ++i) {
        client.lookUp(i, QStringLiteral("free%1.one").arg(i));
        client.lookUp(10 + i, QStringLiteral("free%1.two").arg(i));
    }
    QVERIFY(idle.wait(20000));
    QCOMPARE(answered.size(), 6);
    for (const QVariantList& signal : answered)
        QCOMPARE(signal[1].value<RegistryOutcome>().answer, RegistryAnswer::NotFound);
    for (const test::LoopbackWhois* server : {&first, &second}) {
        // The server logs an answer's end after closing: it may come just after ours.
        QTRY_COMPARE(server->events().size(), std::size_t(6));
        const std::vector<test::LoopbackWhois::Event> events = server->events();
        for (std::size_t i = 0; i < events.size(); ++i) {
            // ask, done, ask, done...: never two connections at once.
            QCOMPARE(events[i].done, i % 2 == 1);
            // The end is logged just after the server closes, which the client may see first.
            if (i >= 2 && !events[i].done)
                QVERIFY2(events[i].seconds - events[i - 1].seconds >= 0.3 - 0.01,
                         qPrintable(QString::number(events[i].seconds - events[i - 1].seconds)));
        }
    }
    // Side by side: the second host's first question came before the first host's last.
    QVERIFY(second.events().front().seconds < first.events().back().seconds);
}

void TestWhois::cancel() {
    test::LoopbackWhois server(kWhoisA, {}, 1.0);
    NOMISPOT_REQUIRE_SERVER_RUNNING(server);
    WhoisPolicy policy;
    policy.interval = 50ms;
    WhoisClient client(directoryWith({{QStringLiteral("test"), kWhoisA}}), policy);
    QSignalSpy answered(&client, &WhoisClient::answered);
    client.lookUp(1, QStringLiteral("slow.test"));
    client.lookUp(2, QStringLiteral("free.test"));
    QTRY_VERIFY(!server.events().empty());
    // An answer given without a server, still queued, is forgotten too.
    client.lookUp(3, QStringLiteral("name.zz"));
    client.cancel();
    QCOMPARE(client.pending(), 0);
    QTest::qWait(1500);
    QCOMPARE(answered.size(), 0);
    // Asked again afterwards, it answers as before.
    client.lookUp(4, QStringLiteral("free.test"));
    QTRY_COMPARE(answered.size(), 1);
    QCOMPARE(answered[0][0].toInt(), 4);
}

// The program's one client serves every caller: a caller's cancel forgets only its own questions,
// and the rest after a refusal holds for whoever asks that host next.
void TestWhois::callersShareOneClient() {
    test::LoopbackWhois server(kWhoisA, {}, 1.0);
    NOMISPOT_REQUIRE_SERVER_RUNNING(server);
    RegistryPolicy policy;
    policy.whois.interval = 50ms;
    policy.whois.rest = 1s;
    policy.whois.attempts = 1;
    const std::unique_ptr<RegistryClient> client =
        makeRegistryClient({{}, directoryWith({{QStringLiteral("test"), kWhoisA}})}, policy);

    RegistryQuestions first(*client);
    QSignalSpy firstAnswered(&first, &RegistryQuestions::answered);
    first.lookUp(1, QStringLiteral("refused.test"));
    QVERIFY(firstAnswered.wait(10000));
    QCOMPARE(firstAnswered[0][1].value<RegistryOutcome>().answer, RegistryAnswer::Unknown);

    RegistryQuestions second(*client);
    RegistryQuestions third(*client);
    QSignalSpy secondAnswered(&second, &RegistryQuestions::answered);
    QSignalSpy thirdAnswered(&third, &RegistryQuestions::answered);
    third.lookUp(3, QStringLiteral("slow.test"));
    second.lookUp(2, QStringLiteral("free.test"));
    third.cancel();
    QCOMPARE(third.pending(), 0);
    QCOMPARE(second.pending(), 1);
    // What holds the question back, in words for a progress line.
    const std::optional<HostWait> wait = second.longestWait();
    QVERIFY(wait);
    QCOMPARE(wait->why, HostHold::Rest);
    QVERIFY2(hostWaitText(*wait).startsWith(kWhoisA + QStringLiteral(": resting 1 s after its "
                                                                     "rate-limit notice")),
             qPrintable(hostWaitText(*wait)));
    QVERIFY(!third.longestWait());
    QVERIFY(secondAnswered.wait(10000));
    QCOMPARE(secondAnswered[0][0].toInt(), 2);
    QCOMPARE(secondAnswered[0][1].value<RegistryOutcome>().answer, RegistryAnswer::NotFound);
    QTRY_COMPARE(server.events().size(), std::size_t(4)); // the last end is logged after ours
    QCOMPARE(thirdAnswered.size(), 0);
    const std::vector<test::LoopbackWhois::Event> events = server.events();
    QCOMPARE(events[2].line, QStringLiteral("free.test"));
    QVERIFY2(events[2].seconds - events[0].seconds >= 1.0,
             qPrintable(QString::number(events[2].seconds - events[0].seconds)));
}

QTEST_GUILESS_MAIN(TestWhois)
#include "tst_whois.moc"
