#include "settings/dns_input.h"
#include "settings/frm_options.h"
#include "settings/frm_options_first.h"
#include "settings/settings_ops.h"
#include "settings/up_down.h"
#include "test_app.h"

#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QTest>
#include <QToolButton>

using namespace nomispot;
using nomispot::test::TestApp;

namespace nomispot {
char* toString(const DnsSettings& dns) {
    return QTest::toString(
        QStringLiteral("{\"%1\", %2, %3}").arg(dns.nameserver).arg(dns.delayMs).arg(dns.retries));
}
} // namespace nomispot

namespace {

const DnsSettings kStored{QStringLiteral("ns.stored.example"), 60, 4};

template <typename T = QWidget> T* child(const QWidget* dialog, const char* name) {
    return dialog->findChild<T*>(QString::fromLatin1(name));
}

// Replaces a box's text through the keyboard, as a user would.
void type(QLineEdit* box, const QString& text) {
    box->setFocus();
    box->selectAll();
    QTest::keyClick(box, Qt::Key_Delete);
    QTest::keyClicks(box, text);
}

void click(const QWidget* dialog, const char* button) {
    QTest::mouseClick(child<QPushButton>(dialog, button), Qt::LeftButton);
}

struct Boxes {
    QString server, delay, retries;
};

void typeAll(const QWidget* dialog, const Boxes& boxes) {
    type(child<QLineEdit>(dialog, "txtDNSserver"), boxes.server);
    type(child<QLineEdit>(dialog, "txtDNSdelay"), boxes.delay);
    type(child<QLineEdit>(dialog, "txtDNSretries"), boxes.retries);
}

Boxes shown(const QWidget* dialog) {
    return {child<QLineEdit>(dialog, "txtDNSserver")->text(),
            child<QLineEdit>(dialog, "txtDNSdelay")->text(),
            child<QLineEdit>(dialog, "txtDNSretries")->text()};
}

DnsSettings onDisk(const TestApp& app) {
    DnsSettings dns;
    LoadDnsSettings(*app.loadFromDisk(), dns);
    return dns;
}

// The store and memory as the menu item leaves them before the dialog opens.
void storeAsMenuDoes(TestApp& app) {
    app.state.dns = kStored;
    SaveDnsSettings(*app.store, app.state.dns);
}

} // namespace

class TestFrmOptions : public QObject {
    Q_OBJECT
private slots:
    void fields_data();
    void fields();
    void optionsDialog();
    void okStores_data();
    void okStores();
    void refused_data();
    void refused();
    void messagesInOrder();
    void nameserverChecked_data();
    void nameserverChecked();
    void cancelReloads();
    void frameCloseChangesNothing();
    void arrows_data();
    void arrows();
    void longStoredNumbersShowWhole();
    void wizardTexts();
    void doneOverwritesFirstRunValues();
    void wizardRefusesAndStays();
    void wizardFrameCloseKeepsFirstRunValues();
};

void TestFrmOptions::fields_data() {
    QTest::addColumn<bool>("wizard");
    QTest::newRow("frmOptions") << false;
    QTest::newRow("frmOptionsFirst") << true;
}

// Both dialogs share the same boxes, filled from memory.
void TestFrmOptions::fields() {
    QFETCH(bool, wizard);
    TestApp app;
    app.state.dns = DnsSettings{QStringLiteral("ns.memory.example"), 75, 2};
    std::unique_ptr<QDialog> dialog;
    if (wizard)
        dialog = std::make_unique<frmOptionsFirst>(app.state);
    else
        dialog = std::make_unique<frmOptions>(app.state);
    dialog->setAttribute(Qt::WA_DeleteOnClose, false);
    QCOMPARE(dialog->windowTitle(), "DNS Options");

    auto* server = child<QLineEdit>(dialog.get(), "txtDNSserver");
    auto* delay = child<QLineEdit>(dialog.get(), "txtDNSdelay");
    auto* retries = child<QLineEdit>(dialog.get(), "txtDNSretries");
    QVERIFY(server && delay && retries);
    QCOMPARE(server->text(), "ns.memory.example");
    QCOMPARE(delay->text(), "75");
    QCOMPARE(retries->text(), "2");
    QCOMPARE(server->toolTip(), "The domainname or IP adress of the nameserver to query.");
    QCOMPARE(delay->toolTip(), "The delay between each request issued to the selected nameserver.");
    QCOMPARE(retries->toolTip(), "The maximum number of times the program will query the "
                                 "nameserver for each domain.");
    QCOMPARE(delay->maxLength(), 4);
    QCOMPARE(retries->maxLength(), 2);
    QVERIFY(server->maxLength() >= 32767);

    auto* upDown2 = child<UpDown>(dialog.get(), "UpDown2");
    auto* upDown1 = child<UpDown>(dialog.get(), "UpDown1");
    QVERIFY(upDown1 && upDown2);
    QCOMPARE(upDown2->buddy(), delay);
    QCOMPARE(upDown1->buddy(), retries);
    QCOMPARE(std::pair(upDown2->minimum(), upDown2->maximum()), std::pair(5, 1000));
    QCOMPARE(std::pair(upDown1->minimum(), upDown1->maximum()), std::pair(1, 10));

    QCOMPARE(child<QLabel>(dialog.get(), "Label2")->text(),
             "Delay between queries (1/1000th seconds):");
    QCOMPARE(child<QLabel>(dialog.get(), "Label3")->text(),
             "Number of retries on each domain name:");
    QCOMPARE(dialog->isModal(), wizard);

    // The arrows sit at the right of their box.
    dialog->show();
    QVERIFY(QTest::qWaitForWindowExposed(dialog.get()));
    const auto right = [](const QWidget* w) { return w->mapTo(w->window(), w->rect().topRight()); };
    const auto left = [](const QWidget* w) { return w->mapTo(w->window(), w->rect().topLeft()); };
    QVERIFY(left(upDown2).x() >= right(delay).x());
    QVERIFY(std::abs(left(upDown2).y() - left(delay).y()) <= 2);
    QVERIFY(left(upDown1).x() >= right(retries).x());
}

void TestFrmOptions::optionsDialog() {
    TestApp app;
    frmOptions dialog(app.state);
    dialog.setAttribute(Qt::WA_DeleteOnClose, false);
    QCOMPARE(child<QLabel>(&dialog, "Label1")->text(), "DNS to query :");
    QCOMPARE(child<QPushButton>(&dialog, "butOK")->text(), "OK");
    QCOMPARE(child<QPushButton>(&dialog, "butCancel")->text(), "Cancel");

    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));
    // Fields in the left column, top to bottom; OK above Cancel in the right one.
    const auto pos = [&](const char* name) {
        const QWidget* w = child(&dialog, name);
        return w->mapTo(&dialog, QPoint(0, 0));
    };
    QVERIFY(pos("Label1").y() < pos("txtDNSserver").y());
    QVERIFY(pos("txtDNSserver").y() < pos("Label2").y());
    QVERIFY(pos("Label2").y() < pos("txtDNSdelay").y());
    QVERIFY(pos("txtDNSdelay").y() < pos("Label3").y());
    QVERIFY(pos("Label3").y() < pos("txtDNSretries").y());
    QVERIFY(pos("butOK").x() >
            pos("txtDNSserver").x() + child(&dialog, "txtDNSserver")->width() - 1);
    QVERIFY(pos("butOK").y() < pos("butCancel").y());
}

void TestFrmOptions::okStores_data() {
    QTest::addColumn<QString>("server");
    QTest::addColumn<QString>("delay");
    QTest::addColumn<QString>("retries");
    QTest::addColumn<DnsSettings>("stored");
    QTest::addColumn<QString>("delayBox");
    QTest::addColumn<QString>("retriesBox");

    // clang-format off
    QTest::newRow("bounds")              << "192.0.2.1"      << "5"    << "10"
                                         << DnsSettings{"192.0.2.1", 5, 10}       << "5"    << "10";
    QTest::newRow("leading zeros")       << "ns.example.org" << "0050" << "3"
                                         << DnsSettings{"ns.example.org", 50, 3}  << "50"   << "3";
    QTest::newRow("rounded")             << "ns"             << "6.5"  << "2.5"
                                         << DnsSettings{"ns", 6, 2}               << "6"    << "2";
    QTest::newRow("IPv6 with a port")    << "[2001:db8::1]:53" << "1000" << "1"
                                         << DnsSettings{"[2001:db8::1]:53", 1000, 1} << "1000" << "1";
    QTest::newRow("nameserver as typed") << " ns.example.org " << "1e2" << "+3"
                                         << DnsSettings{" ns.example.org ", 100, 3} << "100" << "3";
    // clang-format on
}

void TestFrmOptions::okStores() {
    QFETCH(QString, server);
    QFETCH(QString, delay);
    QFETCH(QString, retries);
    QFETCH(DnsSettings, stored);
    QFETCH(QString, delayBox);
    QFETCH(QString, retriesBox);

    TestApp app;
    storeAsMenuDoes(app);
    QPointer<frmOptions> dialog = new frmOptions(app.state);
    dialog->show();
    typeAll(dialog, {server, delay, retries});
    QCOMPARE(shown(dialog).delay, delay); // typed, not yet checked
    click(dialog, "butOK");

    // The boxes show the rounded numbers as the dialog closes.
    QCOMPARE(shown(dialog).delay, delayBox);
    QCOMPARE(shown(dialog).retries, retriesBox);
    QVERIFY(app.messages.messages.empty());
    QCOMPARE(app.state.dns, stored);
    QCOMPARE(onDisk(app), stored);
    QVERIFY(!dialog->isVisible());
    QTRY_VERIFY(dialog.isNull()); // gone, so the next opening loads afresh
}

void TestFrmOptions::refused_data() {
    QTest::addColumn<QString>("delay");
    QTest::addColumn<QString>("retries");
    QTest::addColumn<QString>("message");
    QTest::addColumn<QString>("delayBox");
    QTest::addColumn<QString>("retriesBox");

    const QString retries = QString::fromLatin1(kRetriesRangeMessage);
    const QString delay = QString::fromLatin1(kDelayRangeMessage);
    // clang-format off
    QTest::newRow("neither numeric")       << "abc"  << "x"  << retries << "abc"  << "x";
    QTest::newRow("empty delay")           << ""     << "3"  << delay   << ""     << "3";
    QTest::newRow("delay 1001")            << "1001" << "3"  << delay   << "1001" << "3";
    QTest::newRow("retries 11")            << "50"   << "11" << retries << "50"   << "11";
    QTest::newRow("half rounds to zero")   << "50"   << ".5" << retries << "50"   << "0";
    QTest::newRow("too large for 16 bits") << "9e99" << "3"  << delay   << "9e99" << "3";
    QTest::newRow("rounded, then refused") << "4.4"  << "3"  << delay   << "4"    << "3";
    // clang-format on
}

void TestFrmOptions::refused() {
    QFETCH(QString, delay);
    QFETCH(QString, retries);
    QFETCH(QString, message);
    QFETCH(QString, delayBox);
    QFETCH(QString, retriesBox);

    TestApp app;
    storeAsMenuDoes(app);
    QPointer<frmOptions> dialog = new frmOptions(app.state);
    dialog->show();
    typeAll(dialog, {QStringLiteral("ns.typed.example"), delay, retries});
    click(dialog, "butOK");

    QCOMPARE(app.messages.messages.size(), std::size_t(1));
    const Message& shownMessage = app.messages.messages.front();
    QCOMPARE(shownMessage.title, "Nomispot");
    QCOMPARE(shownMessage.text, message);
    QCOMPARE(shownMessage.icon, MessageIcon::None);
    QCOMPARE(shown(dialog).delay, delayBox);
    QCOMPARE(shown(dialog).retries, retriesBox);
    QVERIFY(dialog->isVisible());
    QCOMPARE(app.state.dns, kStored);
    QCOMPARE(onDisk(app), kStored);
    delete dialog;
}

// Retries "0" and delay "2": the delay message first, then after the fix the retries one.
void TestFrmOptions::messagesInOrder() {
    TestApp app;
    storeAsMenuDoes(app);
    QPointer<frmOptions> dialog = new frmOptions(app.state);
    dialog->show();
    typeAll(dialog, {QStringLiteral("ns"), QStringLiteral("2"), QStringLiteral("0")});
    click(dialog, "butOK");
    type(child<QLineEdit>(dialog, "txtDNSdelay"), QStringLiteral("50"));
    click(dialog, "butOK");
    type(child<QLineEdit>(dialog, "txtDNSretries"), QStringLiteral("3"));
    click(dialog, "butOK");

    QCOMPARE(app.messages.texts(), QStringList({kDelayRangeMessage, kRetriesRangeMessage}));
    const DnsSettings accepted{QStringLiteral("ns"), 50, 3};
    QCOMPARE(app.state.dns, accepted);
    QCOMPARE(onDisk(app), accepted);
    QTRY_VERIFY(dialog.isNull());
}

void TestFrmOptions::nameserverChecked_data() {
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("message"); // empty when the text is accepted

    const QString please = QString::fromLatin1(kNameserverMessage);
    const auto refused = [&please](const QString& quoted, const char* why) {
        return QStringLiteral("%1\r\"%2\": %3.").arg(please, quoted, QString::fromLatin1(why));
    };
    const char* unusable = "not an address or a host name";
    const char* one = "give one nameserver: an address or a host name";
    const char* port = "the port must be a number from 1 to 65535";
    const QString tooLong = QString(100, u'n') + u'!';

    QTest::newRow("IPv4") << "192.0.2.1" << QString();
    QTest::newRow("IPv4 with a port") << "192.0.2.1:5353" << QString();
    QTest::newRow("IPv6") << "2001:db8::1" << QString();
    QTest::newRow("IPv6 with a port") << "[2001:db8::53]:53" << QString();
    QTest::newRow("host name") << "ns1.provider.net" << QString();
    QTest::newRow("host name with a port") << "ns1.provider.net:5353" << QString();
    QTest::newRow("one label") << "localhost" << QString();
    QTest::newRow("blanks around") << "  ns.example.org  " << QString();

    QTest::newRow("not a host name") << "no such host!" << refused("no such host!", one);
    QTest::newRow("punctuation") << "ns$.example" << refused("ns$.example", unusable);
    QTest::newRow("empty label") << "ns..example" << refused("ns..example", unusable);
    QTest::newRow("a list") << "192.0.2.1,192.0.2.2" << refused("192.0.2.1,192.0.2.2", one);
    QTest::newRow("port too large") << "ns.example:65536" << refused("ns.example:65536", port);
    QTest::newRow("port zero") << "192.0.2.1:0" << refused("192.0.2.1:0", port);
    QTest::newRow("bracket not closed") << "[2001:db8::1" << refused("[2001:db8::1", unusable);
    QTest::newRow("IPv4 in brackets") << "[192.0.2.1]:53" << refused("[192.0.2.1]:53", unusable);
    QTest::newRow("long text shortened")
        << tooLong << refused(QString(63, u'n') + QChar(0x2026), unusable);
    QTest::newRow("a number alone") << "200" << refused("200", unusable);
    QTest::newRow("a web address")
        << "http://192.0.2.1/"
        << refused("http://192.0.2.1/",
                   "a nameserver is an address or a host name, not a web address");
    QTest::newRow("the wizard's example")
        << "ns1.yourprovider.example"
        << refused("ns1.yourprovider.example",
                   "a name under .example never exists; type your provider's nameserver");
    // Empty: the system's resolver.
    QTest::newRow("empty") << "" << QString();
    QTest::newRow("blank") << "   " << QString();
}

// Both dialogs take only a text a run can use; a refusal keeps the dialog open on the box.
void TestFrmOptions::nameserverChecked() {
    QFETCH(QString, typed);
    QFETCH(QString, message);

    for (const bool wizard : {false, true}) {
        const char* dialogName = wizard ? "frmOptionsFirst" : "frmOptions";
        TestApp app;
        storeAsMenuDoes(app);
        QPointer<QDialog> dialog;
        if (wizard)
            dialog = new frmOptionsFirst(app.state);
        else
            dialog = new frmOptions(app.state);
        dialog->show();
        typeAll(dialog, {typed, QStringLiteral("6.5"), QStringLiteral("2")});
        click(dialog, "butOK");

        if (message.isEmpty()) {
            QVERIFY2(app.messages.messages.empty(), dialogName);
            const DnsSettings accepted{typed, 6, 2};
            QCOMPARE(app.state.dns, accepted);
            QCOMPARE(onDisk(app), accepted);
            QVERIFY(!dialog->isVisible());
        } else {
            QCOMPARE(app.messages.texts(), QStringList{message});
            QCOMPARE(app.messages.messages.front().title, "Nomispot");
            QVERIFY2(dialog->isVisible(), dialogName);
            auto* server = child<QLineEdit>(dialog, "txtDNSserver");
            QCOMPARE(dialog->focusWidget(), server);
            QCOMPARE(server->text(), typed);
            QCOMPARE(app.state.dns, kStored);
            QCOMPARE(onDisk(app), kStored);
        }
        delete dialog.data();
    }
}

void TestFrmOptions::cancelReloads() {
    TestApp app;
    storeAsMenuDoes(app);
    QPointer<frmOptions> dialog = new frmOptions(app.state);
    dialog->show();
    typeAll(dialog,
            {QStringLiteral("ns.other.example"), QStringLiteral("500"), QStringLiteral("9")});
    // Memory that drifted from the store comes back to it as well.
    app.state.dns.retries = 7;
    click(dialog, "butCancel");

    QCOMPARE(app.state.dns, kStored);
    QCOMPARE(onDisk(app), kStored);
    QVERIFY(app.messages.messages.empty());
    QTRY_VERIFY(dialog.isNull());
}

void TestFrmOptions::frameCloseChangesNothing() {
    TestApp app;
    storeAsMenuDoes(app);
    const DnsSettings memory{QStringLiteral("ns.memory.example"), 90, 6};
    app.state.dns = memory; // differs from the store: closing neither saves nor reloads
    QPointer<frmOptions> dialog = new frmOptions(app.state);
    dialog->show();
    typeAll(dialog, {QStringLiteral("x"), QStringLiteral("abc"), QStringLiteral("0")});
    QVERIFY(dialog->close());

    QCOMPARE(app.state.dns, memory);
    QCOMPARE(onDisk(app), kStored);
    QVERIFY(app.messages.messages.empty());
    QTRY_VERIFY(dialog.isNull());
}

void TestFrmOptions::arrows_data() {
    QTest::addColumn<QByteArray>("arrows");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QByteArray>("button"); // "up", "down", or a key in the box
    QTest::addColumn<QString>("after");

    // clang-format off
    QTest::newRow("delay up")             << QByteArray("UpDown2") << "50"   << QByteArray("up")       << "51";
    QTest::newRow("delay down")           << QByteArray("UpDown2") << "50"   << QByteArray("down")     << "49";
    QTest::newRow("delay stops at 1000")  << QByteArray("UpDown2") << "1000" << QByteArray("up")       << "1000";
    QTest::newRow("delay stops at 5")     << QByteArray("UpDown2") << "5"    << QByteArray("down")     << "5";
    QTest::newRow("delay out of range")   << QByteArray("UpDown2") << "2000" << QByteArray("down")     << "999";
    QTest::newRow("delay a fraction")     << QByteArray("UpDown2") << "7.5"  << QByteArray("up")       << "9";
    QTest::newRow("retries up")           << QByteArray("UpDown1") << "3"    << QByteArray("up")       << "4";
    QTest::newRow("retries stops at 10")  << QByteArray("UpDown1") << "10"   << QByteArray("up")       << "10";
    QTest::newRow("retries stops at 1")   << QByteArray("UpDown1") << "1"    << QByteArray("down")     << "1";
    QTest::newRow("retries from 0")       << QByteArray("UpDown1") << "0"    << QByteArray("down")     << "1";
    QTest::newRow("no number: last one")  << QByteArray("UpDown1") << "x"    << QByteArray("up")       << "5";
    QTest::newRow("key up in the box")    << QByteArray("UpDown2") << "50"   << QByteArray("key up")   << "51";
    QTest::newRow("key down in the box")  << QByteArray("UpDown1") << "3"    << QByteArray("key down") << "2";
    // clang-format on
}

void TestFrmOptions::arrows() {
    QFETCH(QByteArray, arrows);
    QFETCH(QString, typed);
    QFETCH(QByteArray, button);
    QFETCH(QString, after);

    TestApp app;
    storeAsMenuDoes(app);
    frmOptions dialog(app.state);
    dialog.setAttribute(Qt::WA_DeleteOnClose, false);
    dialog.show();
    auto* upDown = child<UpDown>(&dialog, arrows.constData());
    type(upDown->buddy(), typed);
    if (button.startsWith("key"))
        QTest::keyClick(upDown->buddy(), button == "key up" ? Qt::Key_Up : Qt::Key_Down);
    else
        QTest::mouseClick(upDown->findChild<QToolButton*>(QString::fromLatin1(button)),
                          Qt::LeftButton);
    QCOMPARE(upDown->buddy()->text(), after);
    QCOMPARE(app.state.dns, kStored); // the arrows only change the box
}

// Numbers the store holds beyond what the boxes take are shown whole.
void TestFrmOptions::longStoredNumbersShowWhole() {
    TestApp app;
    app.state.dns = DnsSettings{QStringLiteral("ns"), -32768, 255};
    frmOptions dialog(app.state);
    dialog.setAttribute(Qt::WA_DeleteOnClose, false);
    QCOMPARE(shown(&dialog).delay, "-32768");
    QCOMPARE(shown(&dialog).retries, "255");
}

void TestFrmOptions::wizardTexts() {
    TestApp app;
    frmOptionsFirst wizard(app.state);
    QCOMPARE(wizard.windowTitle(), "DNS Options");
    QVERIFY(wizard.isModal());

    auto* welcome = child<QLabel>(&wizard, "Label4");
    QCOMPARE(welcome->text(), "Welcome to Nomispot");
    QVERIFY(welcome->font().bold());
    QCOMPARE(welcome->font().pointSize(), 12);
    QCOMPARE(child<QLabel>(&wizard, "Label5")->text(),
             "Since this is the first time you run Nomispot you need to enter a few default "
             "values. This is very simple and only has to be done once. You can always change "
             "these values in the options menu.");
    const QString intro = child<QLabel>(&wizard, "Label1")->text();
    QVERIFY(intro.startsWith(
        "Please enter what nameserver that Nomispot should ask about domains. This will most "
        "often be the same nameserver you entered in your internet setup. Do not use a \"root "
        "nameserver\" - this will not work. "));
    QVERIFY(intro.contains(QString::fromLatin1(kPlaceholderNameserver)));
    QCOMPARE(child<QLabel>(&wizard, "Label7")->text(),
             "Now please indicate how long Nomispot should wait between requests to the "
             "nameserver. A value of 30 to 100 should work fine.");
    QCOMPARE(child<QLabel>(&wizard, "Label8")->text(),
             "Finally tell me how many times you would like to retry a each domain name if no "
             "satisfactory answer was given (or any) from the DNS. Recommended is 2-3.");
    QCOMPARE(child<QLabel>(&wizard, "Label6")->text(), "Nameserver:");
    for (const char* bold : {"Label6", "Label2", "Label3"})
        QVERIFY2(child<QLabel>(&wizard, bold)->font().bold(), bold);
    for (const char* plain : {"Label5", "Label1", "Label7", "Label8"})
        QVERIFY2(!child<QLabel>(&wizard, plain)->font().bold(), plain);
    auto* rule = child<QFrame>(&wizard, "Line1");
    QVERIFY(rule);
    QCOMPARE(rule->frameShape(), QFrame::HLine);
    QCOMPARE(child<QPushButton>(&wizard, "butOK")->text(), "D&one");
    QVERIFY(!child(&wizard, "butCancel"));

    // Each bold label has its box at its right; Done at the bottom right.
    wizard.show();
    QVERIFY(QTest::qWaitForWindowExposed(&wizard));
    const auto at = [&](const char* name) {
        return child(&wizard, name)->mapTo(&wizard, QPoint());
    };
    QVERIFY(at("txtDNSserver").x() > at("Label6").x());
    QVERIFY(std::abs(at("txtDNSserver").y() - at("Label6").y()) < 20);
    QVERIFY(at("txtDNSdelay").x() > at("Label2").x());
    QVERIFY(at("txtDNSretries").x() > at("Label3").x());
    QVERIFY(at("Label4").y() < at("Label5").y());
    QVERIFY(at("Label5").y() < at("Line1").y());
    QVERIFY(at("Line1").y() < at("Label1").y());
    QVERIFY(at("Label1").y() < at("Label6").y());
    QVERIFY(at("Label6").y() < at("Label7").y());
    QVERIFY(at("Label7").y() < at("Label2").y());
    QVERIFY(at("Label2").y() < at("Label8").y());
    QVERIFY(at("Label8").y() < at("Label3").y());
    QVERIFY(at("butOK").y() > at("Label3").y());
    QVERIFY(at("butOK").x() > wizard.width() / 2);
}

namespace {
// The values start-up stores before the wizard opens.
void storeFirstRunValues(TestApp& app) {
    markFirstRunDone(*app.store);
    app.state.dns = DnsSettings{QString::fromLatin1(kPlaceholderNameserver), 50, 3};
    SaveDnsSettings(*app.store, app.state.dns);
}
} // namespace

void TestFrmOptions::doneOverwritesFirstRunValues() {
    TestApp app;
    storeFirstRunValues(app);
    frmOptionsFirst wizard(app.state);
    wizard.show();
    QCOMPARE(shown(&wizard).server, kPlaceholderNameserver);
    QCOMPARE(shown(&wizard).delay, "50");
    QCOMPARE(shown(&wizard).retries, "3");
    type(child<QLineEdit>(&wizard, "txtDNSserver"), QStringLiteral("ns1.provider.net"));
    QTest::mouseClick(child<UpDown>(&wizard, "UpDown1")->findChild<QToolButton*>("down"),
                      Qt::LeftButton);
    QTest::keyClick(child<QLineEdit>(&wizard, "txtDNSdelay"), Qt::Key_Up);
    click(&wizard, "butOK");

    const DnsSettings accepted{QStringLiteral("ns1.provider.net"), 51, 2};
    QCOMPARE(app.state.dns, accepted);
    QCOMPARE(onDisk(app), accepted);
    QVERIFY(!wizard.isVisible());
    QCOMPARE(wizard.result(), int(QDialog::Accepted));
}

void TestFrmOptions::wizardRefusesAndStays() {
    TestApp app;
    storeFirstRunValues(app);
    const DnsSettings firstRun = app.state.dns;
    frmOptionsFirst wizard(app.state);
    wizard.show();
    typeAll(&wizard, {QStringLiteral("ns"), QStringLiteral("1001"), QStringLiteral("3")});
    click(&wizard, "butOK");
    QCOMPARE(app.messages.texts(), QStringList{kDelayRangeMessage});
    QVERIFY(wizard.isVisible());
    QCOMPARE(app.state.dns, firstRun);
    QCOMPARE(onDisk(app), firstRun);
}

void TestFrmOptions::wizardFrameCloseKeepsFirstRunValues() {
    TestApp app;
    storeFirstRunValues(app);
    const DnsSettings firstRun = app.state.dns;
    frmOptionsFirst wizard(app.state);
    wizard.show();
    typeAll(&wizard, {QStringLiteral("ns.typed"), QStringLiteral("70"), QStringLiteral("2")});
    QVERIFY(wizard.close());
    QCOMPARE(app.state.dns, firstRun);
    QCOMPARE(onDisk(app), firstRun);
    QVERIFY(app.messages.messages.empty());
}

QTEST_MAIN(TestFrmOptions)
#include "tst_frm_options.moc"
