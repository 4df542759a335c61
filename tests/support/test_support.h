#pragma once

#include "catalogue/tld_catalogue.h"
#include "engine/check_table.h"
#include "message_service.h"
#include "settings/settings_store.h"

#include <QStringList>
#include <QTemporaryDir>
#include <memory>
#include <optional>
#include <vector>

namespace nomispot::test {

// Records messages and questions instead of showing them; every question gets answer.
class MessageRecorder : public MessageService {
public:
    void show(const Message& message) override { messages.push_back(message); }
    Answer ask(const Message& question) override {
        questions.push_back(question);
        return answer;
    }
    QStringList texts() const;
    std::vector<Message> messages;
    std::vector<Message> questions;
    Answer answer = Answer::Yes;
};

// Records shell-open targets instead of opening them.
class ShellRecorder : public ShellOpener {
public:
    void open(const QString& target) override { targets << target; }
    QStringList targets;
};

// Checks names under suffixes against nameserver as a run does (5 ms apart, 2 passes), with the
// self-test when asked; the table once the run is over, or nothing when it could not be run.
std::optional<CheckTable> checkNames(const QString& nameserver, const QString& names,
                                     const QStringList& suffixes, bool selfTest = false);

// Catalogue from plain lines "tld;description;site;subdomains".
TldCatalogue makeCatalogue(const QStringList& plainLines);

// Writes lines to path encoded as the data file is, CR LF endings.
bool writeCatalogueFile(const QString& path, const QStringList& plainLines);

// A real settings file in a temporary directory.
struct TestSettings {
    TestSettings();
    QTemporaryDir dir;
    std::unique_ptr<SettingsStore> store;

    QString settingsPath() const;
    // A second store on the same file, as the next start of the program would read it.
    std::unique_ptr<SettingsStore> reopenStore() const;
    // A store on a copy of the file: Qt shares the in-memory values of every store on one path
    // within a process, so only a copy shows what the file itself holds.
    std::unique_ptr<SettingsStore> loadFromDisk() const;
};

// The directory of the built programs (nspot.dll, help files).
QString binDir();

} // namespace nomispot::test
