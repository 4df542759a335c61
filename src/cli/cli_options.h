#pragma once

#include "engine/run_plan.h"
#include "names/name_parser.h"
#include "results/result_formats.h"

#include <QString>
#include <QStringList>
#include <optional>

namespace nomispot::cli {

// Exit statuses of the program.
inline constexpr int kExitOk = 0;
inline constexpr int kExitBadInput = 1;
inline constexpr int kExitNetwork = 2;
inline constexpr int kExitOutput = 3; // the results could not be written
inline constexpr int kExitInterrupted = 130;

enum class ProgressMode { Auto, Always, Never };

// What the results are written as: the formats of the window's Save, and JSON Lines.
enum class CliFormat { Text, Csv, Json, JsonLines };

// The delays nomispot-check takes, in ms (the window's dialogs keep 5 to 1000).
inline constexpr int kCliMinDelayMs = 1;

struct CliOptions {
    QStringList names; // names given as arguments
    QString namesFile; // --file; empty when not given
    CheckMode mode = CheckMode::Separately;
    SearchSet searchSet = SearchSet::DefaultList;
    std::optional<QStringList> tlds; // the suffixes of --tlds, one column each
    std::optional<QString> nameserver;
    std::optional<QString> delay;   // as typed; checked against the stored values later
    std::optional<QString> retries; // as typed
    CliFormat format = CliFormat::Text;
    bool formatGiven = false;
    QString resumePath;    // --resume; empty when not given
    QStringList zoneFiles; // --zone-file, in the order given
    bool expiry = false;   // with --confirm: taken names asked for their expiry too
    bool onlyAvailable = false;
    bool selfTest = true;
    bool confirm = false;                      // ask the registries about free names
    std::optional<int> registryTimeoutSeconds; // per registry question
    bool refreshRegistryList = false;          // fetch IANA's registry list first, due or not
    ProgressMode progress = ProgressMode::Auto;
    QString settingsPath; // empty: the user's settings file
};

struct ParsedCommandLine {
    enum Kind { Run, Help, Version, Error };
    Kind kind = Run;
    CliOptions options;
    QString text; // the help or version text, or the error message
};

// Reads the command line (arguments include the program name).
ParsedCommandLine parseCommandLine(const QStringList& arguments);

// The suffixes of a --tlds list: comma-separated, a leading dot dropped; nothing when an entry is
// empty or holds a character no domain can.
std::optional<QStringList> parseTldList(const QString& list);

} // namespace nomispot::cli
