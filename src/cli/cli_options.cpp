#include "cli_options.h"

#include "app_info.h"
#include "names/idna.h"
#include "rdap/bootstrap_refresh.h"
#include "settings/system_resolver.h"

#include <QCommandLineParser>

namespace nomispot::cli {

namespace {

const QString kDescription = QStringLiteral(
    "Checks which domain names are still free, as Nomispot's Check does.\n"
    "\n"
    "Names come from the arguments, from --file, or else from the lines of standard input; they\n"
    "are read as one text typed into Nomispot: letters, digits and '-', separated by blanks, ';'\n"
    "or ','. When a run's text holds a '.' (the ideographic and fullwidth full stops count as\n"
    "'.'), every name of that run is a complete domain name and is checked as it stands. A name\n"
    "that cannot be a domain label (a hyphen first or last, an invalid xn-- label, over 63\n"
    "characters) is refused with the reason.\n"
    "\n"
    "Lists of any length are read as they come and checked in consecutive runs of at most 2,048\n"
    "domains (with N suffixes, 2048/N names a run; complete names 2,048 a run), with one\n"
    "self-test for the whole list; each run's results are written when it ends, so memory stays\n"
    "the same whatever the list's length. A name repeated in a later run is checked again.\n"
    "--combinations joins every two names, so its names must fit one run.\n"
    "\n"
    "The nameserver, delay and retries default to the values Nomispot stores (--settings reads\n"
    "another settings file); without a stored nameserver, the first nameserver of\n"
    "/etc/resolv.conf is used (the environment variable %1 names another file). --delay takes\n"
    "1 to 1000 ms here (the window's dialogs take 5 to 1000); queries follow a fixed schedule.\n"
    "\n"
    "Formats: text is Nomispot's clipboard list, one line per domain, with \"\\n\" line ends in\n"
    "place of \"\\r\\n\"; csv has the columns "
    "domain,name,suffix,state,registry_site,reason,ascii,\n"
    "registry,registry_status,registry_source,expires (the header once); json is one array of\n"
    "objects with those fields, one a line, closed even after Ctrl+C; jsonl (JSON Lines) is one\n"
    "such object a line. States: available, unavailable, not_checked, not_registrable; the\n"
    "reason says why a domain was not checked or cannot be registered, or that a zone file\n"
    "answered. Only NOERROR counts as taken and NXDOMAIN as free.\n"
    "\n"
    "Names no registry takes are not_registrable: those that break the hyphen rules (a hyphen\n"
    "first or last, \"--\" in the third and fourth places outside a valid xn-- name) are never\n"
    "sent; those a registry reserves (registration-rules.tsv beside the catalogue: example, nic,\n"
    "whois, www under new generic TLDs, one-character names under com and net) only when the\n"
    "DNS calls them free: a reserved name that exists is unavailable.\n"
    "\n"
    "Before the first run, a self-test asks the nameserver about every suffix and a made-up name\n"
    "under it: where the suffix is unknown or made-up names exist (a wildcard, a redirecting\n"
    "resolver), its domains end not_checked. Its findings are kept for a day per nameserver in\n"
    "self-test.tsv in the user's cache folder (~/.cache/nomispot), so later runs and later\n"
    "checks send no probes for suffixes already tested. A summary of what was not checked goes\n"
    "to standard error.\n"
    "\n"
    "--resume FILE continues a list whose results went to FILE (csv with the header above, or\n"
    "JSON Lines with the fields above): the domains already in FILE are not checked again, the\n"
    "others are appended to it, and domains left not_checked as \"cancelled\" by Ctrl+C are\n"
    "checked again and their rows replaced (the file is rewritten through a temporary file), so\n"
    "the finished file equals an uninterrupted run's. Results go to FILE, not to standard\n"
    "output. The file's format wins: --format may be left out, and one that names another\n"
    "format is refused. A FILE that does not exist or is empty is started in --format (csv or\n"
    "jsonl; without --format jsonl for a name ending in .jsonl, else csv). Any other file is\n"
    "refused and left as it is. Give the same names and options as the interrupted check.\n"
    "\n"
    "--zone-file PATH (repeatable) answers the domains under a zone file's zone from it instead\n"
    "of the DNS: plain or gzip RFC 1035 master-file text, its zone from $ORIGIN or the SOA. A\n"
    "name that exists in the file is unavailable, any other available, the reason naming the\n"
    "file's date. The first use of a file builds an index (sorted 64-bit XXH3 hashes of its\n"
    "names) in ~/.cache/nomispot/zone-indexes, with progress on standard error; a changed file\n"
    "is indexed again. With 160 million names, a free name collides with a taken one's hash\n"
    "about once in 10^11 look-ups. Lines that cannot be read are skipped and counted; a file\n"
    "that cannot be used is named, and its zone's domains go to the DNS.\n"
    "\n"
    "With --confirm, every free domain of a run is then asked at its registry before the run's\n"
    "results are written: over RDAP, at most one question a second to each registry, or over\n"
    "WHOIS (port 43, at most one question every 2 s) where a registry has no RDAP server, its\n"
    "server from the shipped whois-servers.tsv (the environment variable\n"
    "NOMISPOT_WHOIS_SERVERS names another table). One registered there though not in the DNS\n"
    "becomes unavailable with the reason \"registered, not in DNS\". --expiry asks about the\n"
    "taken domains too, for the date their registration ends. The csv and json fields registry\n"
    "(found, not-found, unknown, not-asked), registry_status, registry_source (rdap, whois, or\n"
    "empty when no registry was asked) and expires (an ISO date, or empty) tell what the\n"
    "registry said. The registries' RDAP addresses come from IANA's RDAP bootstrap file as\n"
    "shipped, a newer copy saved as rdap-dns.json in ~/.local/share/nomispot, or the file %2\n"
    "names. When the list in use is over 30 days old and no refresh was tried that day, a\n"
    "confirmation first fetches IANA's current file (%3 names another address) and saves it\n"
    "there when it is newer; the summary says when that failed and which list was used. It is\n"
    "never refreshed on its own while %2 is set. --refresh-registry-list fetches it now, due\n"
    "or not; without names or --file it does only that (standard input is not read). The outcome\n"
    "goes to standard output (standard error when it failed or names are checked), and a\n"
    "failed refresh ends with status 2.\n"
    "\n"
    "Progress (on a terminal, or with --progress) shows the domains done of all (of a file's,\n"
    "counted first; of standard input, done only), the rate and the time left.\n"
    "\n"
    "Exit status: 0 when the check ran to its end, 1 for bad usage or input, 2 when the network\n"
    "cannot be used, 3 when the results cannot be written, 130 when interrupted (Ctrl+C); after\n"
    "an interruption or a send error the results so far are written, the current run's\n"
    "unanswered domains as not_checked, and nothing half-written.");

QString formatError(const QString& value) {
    return QStringLiteral("Unknown format \"%1\": use text, csv, json or jsonl.").arg(value);
}

} // namespace

std::optional<QStringList> parseTldList(const QString& list) {
    QStringList suffixes;
    for (QString suffix : list.split(u',')) {
        suffix = withAsciiFullStops(suffix.trimmed());
        if (suffix.startsWith(u'.'))
            suffix.remove(0, 1);
        if (suffix.isEmpty())
            return std::nullopt;
        for (const QString& label : suffix.split(u'.')) {
            if (label.isEmpty())
                return std::nullopt;
            for (QChar c : label)
                if (!isAllowedNameCharacter(c) || c == u' ' || c == u';')
                    return std::nullopt;
        }
        suffixes << suffix;
    }
    return suffixes;
}

ParsedCommandLine parseCommandLine(const QStringList& arguments) {
    QCommandLineParser parser;
    parser.setApplicationDescription(kDescription.arg(QString::fromLatin1(kResolvConfEnv),
                                                      QStringLiteral("NOMISPOT_RDAP_BOOTSTRAP"),
                                                      QString::fromLatin1(kBootstrapUrlEnv)));
    const QCommandLineOption help = parser.addHelpOption();
    const QCommandLineOption version = parser.addVersionOption();
    const QCommandLineOption combinations(
        QStringLiteral("combinations"),
        QStringLiteral("Also check every two names joined, both ways (Check Combinations)."));
    const QCommandLineOption selection(
        QStringLiteral("selection"),
        QStringLiteral("Search the TLDs of the personal selection instead of the default list."));
    const QCommandLineOption tlds(QStringLiteral("tlds"),
                                  QStringLiteral("Search these suffixes, e.g. com,net,co.uk."),
                                  QStringLiteral("list"));
    const QCommandLineOption file(QStringLiteral("file"),
                                  QStringLiteral("Read the names from this file."),
                                  QStringLiteral("path"));
    const QCommandLineOption nameserver(QStringLiteral("nameserver"),
                                        QStringLiteral("Ask this nameserver."),
                                        QStringLiteral("host"));
    const QCommandLineOption delay(QStringLiteral("delay"),
                                   QStringLiteral("Milliseconds between queries, 1 to 1000."),
                                   QStringLiteral("ms"));
    const QCommandLineOption retries(QStringLiteral("retries"),
                                     QStringLiteral("Most queries per domain, 1 to 10."),
                                     QStringLiteral("n"));
    const QCommandLineOption format(QStringLiteral("format"),
                                    QStringLiteral("Output format: text, csv, json or jsonl."),
                                    QStringLiteral("format"), QStringLiteral("text"));
    const QCommandLineOption onlyAvailable(QStringLiteral("only-available"),
                                           QStringLiteral("Print only the available domains."));
    const QCommandLineOption quiet(QStringLiteral("quiet"),
                                   QStringLiteral("Show no progress on standard error."));
    const QCommandLineOption progress(
        QStringLiteral("progress"),
        QStringLiteral("Show progress on standard error even when it is not a terminal."));
    const QCommandLineOption noSelfTest(
        QStringLiteral("no-self-test"),
        QStringLiteral("Trust the nameserver's answers without testing it first."));
    const QCommandLineOption settings(
        QStringLiteral("settings"),
        QStringLiteral("Read the stored values from this settings file instead of the user's."),
        QStringLiteral("path"));
    const QCommandLineOption confirm(
        QStringLiteral("confirm"),
        QStringLiteral(
            "Ask each free name's registry (RDAP, else WHOIS) whether it is really free."));
    const QCommandLineOption expiry(
        QStringLiteral("expiry"),
        QStringLiteral("With --confirm, also ask the registries about taken names, for the date "
                       "their registration ends."));
    const QCommandLineOption resume(
        QStringLiteral("resume"),
        QStringLiteral("Continue the list whose results are in this csv or JSON Lines file, "
                       "appending to it."),
        QStringLiteral("file"));
    const QCommandLineOption zoneFile(
        QStringLiteral("zone-file"),
        QStringLiteral("Answer the domains under this zone file's zone from it (repeatable)."),
        QStringLiteral("path"));
    const QCommandLineOption registryTimeout(
        QStringLiteral("registry-timeout"),
        QStringLiteral("Seconds to wait for a registry's answer, 1 to 120 (default 10)."),
        QStringLiteral("s"));
    const QCommandLineOption refreshList(
        QStringLiteral("refresh-registry-list"),
        QStringLiteral("Fetch IANA's current RDAP registry list now and keep it when newer."));
    parser.addOptions({combinations, selection, tlds, file, nameserver, delay, retries, format,
                       onlyAvailable, quiet, progress, noSelfTest, confirm, expiry, registryTimeout,
                       refreshList, resume, zoneFile, settings});
    parser.addPositionalArgument(QStringLiteral("names"), QStringLiteral("Names to check."),
                                 QStringLiteral("[NAME ...]"));

    ParsedCommandLine result;
    if (!parser.parse(arguments)) {
        result.kind = ParsedCommandLine::Error;
        result.text = parser.errorText();
        return result;
    }
    if (parser.isSet(help)) {
        result.kind = ParsedCommandLine::Help;
        result.text = parser.helpText();
        return result;
    }
    if (parser.isSet(version)) {
        result.kind = ParsedCommandLine::Version;
        result.text = QStringLiteral("nomispot-check %1.%2.%3\n")
                          .arg(kVersionMajor)
                          .arg(kVersionMinor)
                          .arg(kVersionRevision);
        return result;
    }

    auto fail = [&result](const QString& message) {
        result.kind = ParsedCommandLine::Error;
        result.text = message;
        return result;
    };
    CliOptions& o = result.options;
    o.names = parser.positionalArguments();
    o.namesFile = parser.value(file);
    if (parser.isSet(file) && o.namesFile.isEmpty())
        return fail(QStringLiteral("--file needs a file name."));
    if (parser.isSet(combinations))
        o.mode = CheckMode::Combinations;
    if (parser.isSet(selection) && parser.isSet(tlds))
        return fail(QStringLiteral("Use either --selection or --tlds, not both."));
    if (parser.isSet(selection))
        o.searchSet = SearchSet::Selection;
    if (parser.isSet(tlds)) {
        const std::optional<QStringList> list = parseTldList(parser.value(tlds));
        if (!list)
            return fail(QStringLiteral("Unusable TLD list \"%1\": give suffixes such as "
                                       "com,net,co.uk.")
                            .arg(parser.value(tlds)));
        o.tlds = list;
    }
    if (parser.isSet(nameserver))
        o.nameserver = parser.value(nameserver);
    if (parser.isSet(delay))
        o.delay = parser.value(delay);
    if (parser.isSet(retries))
        o.retries = parser.value(retries);

    const QString formatName = parser.value(format);
    o.formatGiven = parser.isSet(format);
    if (formatName == u"text")
        o.format = CliFormat::Text;
    else if (formatName == u"csv")
        o.format = CliFormat::Csv;
    else if (formatName == u"json")
        o.format = CliFormat::Json;
    else if (formatName == u"jsonl")
        o.format = CliFormat::JsonLines;
    else
        return fail(formatError(formatName));

    o.onlyAvailable = parser.isSet(onlyAvailable);
    o.selfTest = !parser.isSet(noSelfTest);
    o.confirm = parser.isSet(confirm);
    o.expiry = parser.isSet(expiry);
    if (o.expiry && !o.confirm)
        return fail(QStringLiteral("--expiry works with --confirm."));
    for (const QString& path : parser.values(zoneFile)) {
        if (path.isEmpty())
            return fail(QStringLiteral("--zone-file needs a file name."));
        o.zoneFiles << path;
    }
    if (parser.isSet(resume)) {
        o.resumePath = parser.value(resume);
        if (o.resumePath.isEmpty())
            return fail(QStringLiteral("--resume needs a file name."));
        if (o.formatGiven && o.format != CliFormat::Csv && o.format != CliFormat::JsonLines)
            return fail(QStringLiteral("--resume works with csv or jsonl results."));
        // A file that left rows out would have them checked again each time.
        if (parser.isSet(onlyAvailable))
            return fail(QStringLiteral("--resume needs every row: leave out --only-available."));
    }
    o.refreshRegistryList = parser.isSet(refreshList);
    if (parser.isSet(registryTimeout)) {
        bool isNumber = false;
        const int seconds = parser.value(registryTimeout).toInt(&isNumber);
        if (!isNumber || seconds < 1 || seconds > 120)
            return fail(QStringLiteral("--registry-timeout takes seconds from 1 to 120."));
        o.registryTimeoutSeconds = seconds;
    }
    if (parser.isSet(quiet) && parser.isSet(progress))
        return fail(QStringLiteral("Use either --quiet or --progress, not both."));
    if (parser.isSet(quiet))
        o.progress = ProgressMode::Never;
    else if (parser.isSet(progress))
        o.progress = ProgressMode::Always;
    if (parser.isSet(settings)) {
        o.settingsPath = parser.value(settings);
        if (o.settingsPath.isEmpty())
            return fail(QStringLiteral("--settings needs a file name."));
    }
    return result;
}

} // namespace nomispot::cli
