#pragma once

#include "engine/check_table.h"
#include "registry/registry_client.h"

#include <QDialog>
#include <vector>

class QPlainTextEdit;
class QPushButton;

namespace nomispot {

// What the registries say about some domains, asked one after another and shown in words as
// the answers come; the answers as sent (RDAP's JSON, WHOIS text) behind a button.
class frmRegistryLookup : public QDialog {
    Q_OBJECT
public:
    struct Domain {
        QString shown;         // as typed
        QString ascii;         // as asked
        CheckTable::Cell cell; // its place in the results
    };

    // Asks through client, the program's, so that the registries' pacing holds with every other
    // question the program asks them.
    frmRegistryLookup(RegistryClient& client, std::vector<Domain> domains,
                      QWidget* parent = nullptr);

    // Every answer is in.
    bool isComplete() const { return m_questions.pending() == 0; }

signals:
    // A registry's answer about the domain at cell, for the results to keep.
    void answerReceived(const nomispot::frmRegistryLookup::Domain& domain,
                        const nomispot::RegistryOutcome& outcome);

private:
    struct Entry {
        Domain domain;
        QString words;
        QString raw; // the answer as sent (JSON or WHOIS text), readable and bounded
        RegistrySource source = RegistrySource::None;
    };

    void answered(int index, const RegistryOutcome& outcome);
    void showEntries();

    RegistryQuestions m_questions;
    std::vector<Entry> m_entries;
    QPlainTextEdit* m_words;
    QPlainTextEdit* m_json;
    QPushButton* m_butJson;
};

} // namespace nomispot
