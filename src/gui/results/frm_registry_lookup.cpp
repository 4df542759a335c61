#include "results/frm_registry_lookup.h"

#include "app_info.h"
#include "registry/network_text.h"
#include "whois/whois_answer.h"

#include <QDialogButtonBox>
#include <QFontDatabase>
#include <QJsonDocument>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace nomispot {

namespace {

QString wordsFor(const QString& domain, const RegistryOutcome& outcome) {
    const QString unencrypted =
        outcome.plainHttp
            ? QStringLiteral("\n(The registry answered over plain http, unencrypted.)")
            : QString();
    switch (outcome.answer) {
    case RegistryAnswer::Found:
        return domain + QStringLiteral(" is registered.\n") + describeRegistration(outcome.record) +
               unencrypted;
    case RegistryAnswer::NotFound:
        return domain + QStringLiteral(" is not registered at its registry.") + unencrypted;
    case RegistryAnswer::Unknown:
    case RegistryAnswer::NotAsked:
        break;
    }
    return domain + QStringLiteral(": ") + outcome.reason + u'.';
}

// The answer as sent: RDAP's JSON indented (as it came when it is not JSON), WHOIS text in its
// character set; without control characters, in lines a text box lays out quickly, and at most
// kShown bytes of it.
QString readableAnswer(const RegistryOutcome& outcome) {
    constexpr qsizetype kShown = 256 * 1024;
    constexpr qsizetype kLongestLine = 1000;
    QByteArray text = outcome.raw;
    if (outcome.source == RegistrySource::Rdap) {
        if (const QJsonDocument document = QJsonDocument::fromJson(text); !document.isNull())
            text = document.toJson(QJsonDocument::Indented);
    }
    const QString decoded = outcome.source == RegistrySource::Whois
                                ? decodeWhoisText(text.left(kShown), {})
                                : QString::fromUtf8(text.left(kShown));
    QString shown = cleanNetworkLines(decoded, kLongestLine);
    if (text.size() > kShown)
        shown += QStringLiteral("\n... (%1 more bytes not shown)").arg(text.size() - kShown);
    return shown;
}

} // namespace

frmRegistryLookup::frmRegistryLookup(RegistryClient& client, std::vector<Domain> domains,
                                     QWidget* parent)
    : QDialog(parent), m_questions(client) {
    setObjectName(QStringLiteral("frmRegistryLookup"));
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(domains.size() == 1
                       ? QStringLiteral("%1: %2").arg(appTitle(), domains.front().shown)
                       : QStringLiteral("%1: %2 domains").arg(appTitle()).arg(domains.size()));

    m_words = new QPlainTextEdit(this);
    m_words->setObjectName(QStringLiteral("txtAnswer"));
    m_words->setAccessibleName(QStringLiteral("Registry answer"));
    m_words->setReadOnly(true);
    m_json = new QPlainTextEdit(this);
    m_json->setObjectName(QStringLiteral("txtJson"));
    m_json->setAccessibleName(QStringLiteral("Registry answer as sent"));
    m_json->setReadOnly(true);
    m_json->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    m_json->hide();

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);
    m_butJson =
        buttons->addButton(QStringLiteral("Show &Answer as Sent"), QDialogButtonBox::ActionRole);
    m_butJson->setObjectName(QStringLiteral("butJson"));
    m_butJson->setCheckable(true);
    connect(m_butJson, &QPushButton::toggled, m_json, &QWidget::setVisible);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::close);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_words, 1);
    layout->addWidget(m_json, 1);
    layout->addWidget(buttons);
    resize(fontMetrics().averageCharWidth() * 70, fontMetrics().height() * 20);

    connect(&m_questions, &RegistryQuestions::answered, this, &frmRegistryLookup::answered);
    for (Domain& domain : domains) {
        m_questions.lookUp(static_cast<int>(m_entries.size()), domain.ascii);
        QString waiting = QStringLiteral("%1: asking its registry...").arg(domain.shown);
        m_entries.push_back({std::move(domain), std::move(waiting), {}});
    }
    showEntries();
}

void frmRegistryLookup::answered(int index, const RegistryOutcome& outcome) {
    Entry& entry = m_entries[static_cast<std::size_t>(index)];
    entry.words = wordsFor(entry.domain.shown, outcome);
    entry.raw = outcome.raw.isEmpty() ? QString() : readableAnswer(outcome);
    entry.source = outcome.source;
    showEntries();
    emit answerReceived(entry.domain, outcome);
}

void frmRegistryLookup::showEntries() {
    QStringList words;
    QStringList raw;
    for (const Entry& entry : m_entries) {
        words << entry.words;
        if (!entry.raw.isEmpty())
            raw << QStringLiteral("// %1 (%2)\n%3")
                       .arg(entry.domain.shown,
                            entry.source == RegistrySource::Whois ? QStringLiteral("WHOIS")
                                                                  : QStringLiteral("RDAP"),
                            entry.raw);
    }
    m_words->setPlainText(words.join(QStringLiteral("\n\n")));
    m_json->setPlainText(raw.join(QStringLiteral("\n\n")));
}

} // namespace nomispot
