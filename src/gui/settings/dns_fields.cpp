#include "settings/dns_fields.h"

#include "app_info.h"
#include "settings/dns_input.h"
#include "settings/settings_ops.h"
#include "settings/system_resolver.h"
#include "settings/up_down.h"

#include <QHBoxLayout>
#include <QLineEdit>
#include <algorithm>

namespace nomispot {

namespace {

QLineEdit* makeBox(const QString& name, const QString& accessibleName, const QString& tip,
                   QWidget* parent) {
    auto* box = new QLineEdit(parent);
    box->setObjectName(name);
    box->setAccessibleName(accessibleName);
    box->setToolTip(tip);
    return box;
}

// A narrow box for a number of up to maxLength characters, with its arrows at its right.
QWidget* makeNumberRow(QLineEdit* box, int maxLength, const QString& arrowsName, int minimum,
                       int maximum, QWidget* parent) {
    auto* row = new QWidget(parent);
    box->setParent(row);
    box->setMaxLength(maxLength);
    box->setFixedWidth(box->fontMetrics().horizontalAdvance(QString(maxLength + 2, u'0')) + 8);
    auto* arrows = new UpDown(box, minimum, maximum, row);
    arrows->setObjectName(arrowsName);
    arrows->setFixedHeight(box->sizeHint().height());

    auto* layout = new QHBoxLayout(row);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(box);
    layout->addWidget(arrows);
    layout->addStretch();
    return row;
}

// Sets a number box; a stored number longer than the box takes is shown whole, not cut.
void setNumberText(QLineEdit* box, const QString& text, int maxLength) {
    box->setMaxLength(std::max(maxLength, static_cast<int>(text.size())));
    box->setText(text);
}

} // namespace

DnsFields::DnsFields(QWidget* dialog)
    : m_server(makeBox(QStringLiteral("txtDNSserver"), QStringLiteral("Nameserver"),
                       QStringLiteral("The domainname or IP adress of the nameserver to query."),
                       dialog)),
      m_delay(makeBox(
          QStringLiteral("txtDNSdelay"), QStringLiteral("Delay between queries in ms"),
          QStringLiteral("The delay between each request issued to the selected nameserver."),
          dialog)),
      m_retries(makeBox(QStringLiteral("txtDNSretries"), QStringLiteral("Retries"),
                        QStringLiteral("The maximum number of times the program will query the "
                                       "nameserver for each domain."),
                        dialog)),
      m_delayRow(makeNumberRow(m_delay, kDelayMaxLength, QStringLiteral("UpDown2"), kMinDelayMs,
                               kMaxDelayMs, dialog)),
      m_retriesRow(makeNumberRow(m_retries, kRetriesMaxLength, QStringLiteral("UpDown1"),
                                 kMinRetries, kMaxRetries, dialog)) {}

void DnsFields::load(const DnsSettings& dns) {
    setNumberText(m_retries, QString::number(dns.retries), kRetriesMaxLength);
    m_server->setText(dns.nameserver);
    // What an empty box means, so that it can be left empty on purpose.
    const QString system = systemNameserver();
    m_server->setPlaceholderText(
        system.isEmpty() ? QStringLiteral("Empty: the system's nameserver (none found)")
                         : QStringLiteral("Empty: the system's nameserver (%1)").arg(system));
    setNumberText(m_delay, QString::number(dns.delayMs), kDelayMaxLength);
}

bool DnsFields::accept(AppState& state) {
    const DnsValidation result =
        ValidateDnsInput(DnsInput{m_server->text(), m_delay->text(), m_retries->text()});
    if (result.delayText)
        m_delay->setText(*result.delayText);
    if (result.retriesText)
        m_retries->setText(*result.retriesText);
    if (!result.settings) {
        state.messages->show(
            Message{appTitle(), result.settings.error().message, MessageIcon::None});
        return false;
    }
    // A text no run could use is refused here, not first at the next check.
    if (const Status server = CheckNameserverInput(m_server->text()); !server) {
        state.messages->show(Message{appTitle(), server.error().message, MessageIcon::None});
        m_server->setFocus();
        m_server->selectAll();
        return false;
    }
    state.dns = *result.settings;
    SaveDnsSettings(*state.store, state.dns);
    return true;
}

} // namespace nomispot
