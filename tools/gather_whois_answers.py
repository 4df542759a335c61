#!/usr/bin/env python3
"""Gather recorded WHOIS answers from the test suites of WHOIS client libraries.

Writes tests/data/whois-answers/: one file per answer (bytes exactly as the
source holds them), index.tsv (file, tld, domain, kind, source), README.md
and a copy of each source's licence. Python 3.11, standard library only.

Sources are bare git directories (no work tree); everything is read from
their HEAD commit with `git show`:

    python3 tools/gather_whois_answers.py \
        [--likexian DIR] [--php-whois DIR] [--python-whois DIR] \
        [--psl /usr/share/publicsuffix/public_suffix_list.dat] [-o OUT]

The domain and kind of each answer come from the source's own test labels
(file names, expected-output files, PHPUnit data provider). A few answers
whose text contradicts the source's label are relabelled in OVERRIDES below,
each with its reason. `--check` prints answers whose text looks unlike their
label (a rough keyword test, for review by eye; it changes nothing).
"""

from __future__ import annotations

import argparse
import hashlib
import json
import re
import subprocess
import sys
from collections import Counter, defaultdict
from dataclasses import dataclass, field
from pathlib import Path

MAX_SIZE = 64 * 1024
KINDS = ("free", "registered", "reserved", "rate-limited", "other")

ROOT = Path(__file__).resolve().parent.parent
DEFAULTS = {
    "likexian": "/work/.mirror/likexian+whois-parser/repo",
    "php-whois": "/work/.mirror/io-developer+php-whois/repo",
    "python-whois": "/work/.mirror/richardpenman+whois/repo",
}
DEFAULT_PSL = "/usr/share/publicsuffix/public_suffix_list.dat"
DEFAULT_OUT = ROOT / "tests" / "data" / "whois-answers"

# (source, file in the output) -> (kind, reason). Applied after labelling.
OVERRIDES: dict[tuple[str, str], tuple[str, str]] = {
    ("likexian", "name_login.name.txt"): (
        "reserved",
        "kept under notfound/ by the source, but the answer says "
        "\"Not available for registration. Second level domain name is reserved.\"",
    ),
    ("likexian", "name_science.name.txt"): (
        "other",
        "kept under notfound/ by the source, but the answer says "
        "\"Not available for second level registration. Third level "
        "registrations may be available on this shared name.\"",
    ),
    ("php-whois", "am_google.com.am.txt"): (
        "reserved",
        "the source expects a registered domain, but the whole answer is "
        "\"Reserved name: Reserved brand name\"",
    ),
    ("php-whois", "qa_free.txt"): (
        "reserved",
        "the source expects a free domain, but the answer is \"Reserved by QDR\"",
    ),
    ("php-whois", "hk_free.txt"): (
        "rate-limited",
        "the source expects a free domain, but the answer is \"Please maintain at "
        "least 10-second time before starting another enquiry.\"",
    ),
    ("php-whois", "lu_free.txt"): (
        "rate-limited",
        "the source expects a free domain, but after the terms the answer says "
        "\"%% Maximum query rate reached\"",
    ),
    ("php-whois", "nz_free.txt"): (
        "rate-limited",
        "the source expects a free domain, but the answer has "
        "\"query_status: 440 Request Denied\" (a refusal, no status of the name)",
    ),
    ("php-whois", "ga_free.txt"): (
        "other",
        "the source expects a free domain, but the answer is \"WHOIS lookup for "
        "free.GA can temporarily not be answered. Please try again.\"",
    ),
    ("php-whois", "ml_free.txt"): (
        "other",
        "the source expects a free domain, but the answer is \"WHOIS lookup for "
        "FREE.ML can temporarily not be answered. Please try again.\"",
    ),
        ("php-whois", "tr_free.txt"): (
        "other",
        "the source expects a free domain, but the answer is \"Invalid input\"",
    ),
        # An answer about another name says nothing about the name asked.
    ("php-whois", "hk.com_free.txt"): (
        "other",
        "the provider row says free.hk.com, but the answer is about freedomain.hk.com",
    ),
    # Restricted names need the registry's approval: not free to register, so reserved here.
    ("php-whois", "iq_free.txt"): (
        "reserved",
        "the source expects a free domain, but the answer says the name is restricted and "
        "needs the registry's approval",
    ),
    ("php-whois", "sb_free.txt"): (
        "reserved",
        "the source expects a free domain, but the answer says the name is restricted and "
        "needs the registry's approval",
    ),
    ("php-whois", "promo_free.txt"): (
        "other",
        "the answer is the .pr one (\"The domain free.pr is not registered.\"), not about "
        "free.promo",
    ),
}

# (source, file in the output) -> remark for the README; the label is kept.
REMARKS: dict[tuple[str, str], str] = {
    ("php-whois", "bo_free.txt"): "the whole answer is \"whois.nic.bo solo acepta consultas con "
                                  "dominios .bo\", the last line of every .bo answer: alone, "
                                  "the name is free (the registry notes say so too)",
    ("php-whois", "vu_free.txt"): "\"The domain free.vu is not valid!\" is how the .vu server "
                                  "answers for names not registered (both sources read it so)",
    ("php-whois", "net_speedtest.net_registrar_whois.txt"): "a registrar's WHOIS answer, "
                                  "not the registry's",
}


@dataclass
class Answer:
    source: str
    name: str            # file name inside <out>/<source>/
    origin: str          # path inside the source repository
    data: bytes
    domain: str
    kind: str
    tld: str = ""
    notes: list[str] = field(default_factory=list)


# ---------------------------------------------------------------- git access

class Repo:
    def __init__(self, path: str):
        self.path = path
        self.commit = self._git("rev-parse", "HEAD").decode().strip()

    def _git(self, *args: str) -> bytes:
        return subprocess.run(["git", "-C", self.path, *args], check=True,
                              capture_output=True).stdout

    def files(self, under: str) -> list[str]:
        out = self._git("ls-tree", "-r", "-z", "--name-only", self.commit, "--", under)
        return sorted(p.decode() for p in out.split(b"\0") if p)

    def read(self, path: str) -> bytes:
        return self._git("show", f"{self.commit}:{path}")

    def exists(self, path: str) -> bool:
        return bool(self._git("ls-tree", "--name-only", self.commit, "--", path).strip())


# ------------------------------------------------------------ public suffixes

class Suffixes:
    """Public suffix list, both sections (normal, wildcard and exception rules).

    The private section matters only for registries such as hk.com (UDR)."""

    def __init__(self, path: str):
        self.rules: set[str] = set()
        self.wild: set[str] = set()
        self.exceptions: set[str] = set()
        for line in Path(path).read_text(encoding="utf-8").splitlines():
            line = line.strip()
            if not line or line.startswith("//"):
                continue
            rule = line.split()[0]
            if rule.startswith("!"):
                self.exceptions.add(to_ascii(rule[1:]))
            elif rule.startswith("*."):
                self.wild.add(to_ascii(rule[2:]))
            else:
                self.rules.add(to_ascii(rule))

    def registered_under(self, domain: str) -> str:
        """Longest public suffix that is a proper suffix of domain."""
        labels = domain.split(".")
        best = labels[-1]
        for i in range(1, len(labels)):
            cand = ".".join(labels[i:])
            parent = ".".join(labels[i + 1:])
            if cand in self.exceptions:
                continue
            if cand in self.rules or (parent and parent in self.wild):
                best = cand
                break
        return best


def to_ascii(domain: str) -> str:
    domain = domain.strip().rstrip(".").lower()
    if domain.isascii():
        return domain
    return ".".join(l if l.isascii() else "xn--" + l.encode("punycode").decode("ascii")
                    for l in domain.split("."))


# -------------------------------------------------------------------- sources

def gather_likexian(repo: Repo) -> list[Answer]:
    """testdata/noterror/<ext>_<domain> (+ .json) and testdata/notfound/<ext>_<domain>."""
    out = []
    for sub, kind in (("testdata/noterror", "registered"), ("testdata/notfound", "free")):
        for path in repo.files(sub):
            base = path.rsplit("/", 1)[1]
            if base == "README.md" or base.endswith((".json", ".pre")) or "_" not in base:
                continue
            ext, domain = base.split("_", 1)
            notes = []
            if kind == "registered":
                if "." not in domain:
                    # answers about a whole TLD (IANA root zone records): not a name query
                    continue
                js = json.loads(repo.read(path + ".json"))
                got = (js.get("domain") or {}).get("punycode", "")
                if got.lower() != domain.lower():
                    notes.append(f"json names {got!r}")
            out.append(Answer("likexian", base + ".txt", path, repo.read(path),
                              to_ascii(domain), kind, notes=notes))
    return out


PHP_TEST = "tests/Iodev/Whois/Modules/Tld/TldParsingTest.php"
PHP_DATA = "tests/Iodev/Whois/Modules/Tld/parsing_data/"
PHP_ROW = re.compile(r'^\s*(//)?\s*\[ *"([^"]+)", *"([^"]+)", *(null|"[^"]*") *\],?\s*$', re.M)


def gather_php_whois(repo: Repo) -> list[Answer]:
    """Rows [domain, response file, expected json|null] of TldParsingTest::getTestData().

    null means the test expects the domain to be available (free); a json file
    means registered. Rows commented out in the provider are taken too (their
    json files are gone; the label is the provider row's). Response files that
    no row names are labelled from their file name: free.txt is free,
    <domain>.txt registered."""
    text = repo.read(PHP_TEST).decode("utf-8")
    rows: dict[str, list[tuple[str, str | None, bool]]] = defaultdict(list)
    for m in PHP_ROW.finditer(text):
        disabled, domain, src, exp = bool(m.group(1)), m.group(2), m.group(3), m.group(4)
        rows[src].append((domain, None if exp == "null" else exp.strip('"'), disabled))
    out = []
    for path in repo.files(PHP_DATA):
        rel = path[len(PHP_DATA):]
        if rel.endswith(".json") or "/" not in rel:
            continue
        tlddir, base = rel.split("/", 1)
        name = tlddir.lstrip(".") + "_" + base
        notes = []
        if rel in rows:
            labels = rows[rel]
            domains = {to_ascii(d) for d, _, _ in labels}
            kinds = {"free" if e is None else "registered" for _, e, _ in labels}
            if len(domains) != 1 or len(kinds) != 1:
                raise SystemExit(f"php-whois: conflicting rows for {rel}: {labels}")
            domain, kind = domains.pop(), kinds.pop()
            exp = labels[0][1]
            if all(dis for _, _, dis in labels):
                notes.append("provider row commented out")
            if exp and repo.exists(PHP_DATA + exp):
                js = json.loads(repo.read(PHP_DATA + exp))
                got = to_ascii(js.get("domainName", ""))
                if got != domain:
                    notes.append(f"json names {got!r}")
        else:
            stem = base[:-4] if base.endswith(".txt") else base
            if stem == "free":
                domain, kind = "free" + tlddir, "free"
            else:
                domain, kind = to_ascii(re.sub(r"-win1252$", "", stem)), "registered"
                exp = PHP_DATA + tlddir + "/" + domain + ".json"
                if repo.exists(exp):
                    got = to_ascii(json.loads(repo.read(exp)).get("domainName", ""))
                    if got != domain:
                        notes.append(f"json names {got!r}")
            notes.append("no provider row; labelled from file name")
        out.append(Answer("php-whois", name, path, repo.read(path), domain, kind, notes=notes))
    return out


def gather_python_whois(repo: Repo) -> list[Answer]:
    """test/samples/whois/<domain> with test/samples/expected/<domain> (JSON)."""
    out = []
    for path in repo.files("test/samples/whois"):
        base = path.rsplit("/", 1)[1]
        exp_path = "test/samples/expected/" + base
        notes = []
        domain = to_ascii(base)
        kind = "other"
        if repo.exists(exp_path):
            js = json.loads(repo.read(exp_path))
            dn = js.get("domain_name")
            if isinstance(dn, list):
                dn = dn[0] if dn else None
            if dn:
                kind = "registered"
                got = to_ascii(dn)
                if got != domain:
                    notes.append(f"file name {base!r}, expected output names {got!r}")
                    domain = got
            else:
                kind = "free"
        else:
            notes.append("no expected output")
        out.append(Answer("python-whois", base + ".txt", path, repo.read(path), domain, kind,
                          notes=notes))
    return out


LICENCES = {
    "likexian": ("LICENSE", "Apache License 2.0", "Copyright 2014-2026 Li Kexian"),
    "php-whois": ("LICENSE", "MIT License",
                  "Copyright (c) 2017 Sergey Sedyshev (i.o.developer@gmail.com) and other contributors"),
    "python-whois": ("LICENSE.txt", "MIT License",
                     "(LICENSE.txt has no copyright line; setup.py names the author, Richard Penman)"),
}
URLS = {
    "likexian": "https://github.com/likexian/whois-parser",
    "php-whois": "https://github.com/io-developer/php-whois",
    "python-whois": "https://github.com/richardpenman/whois",
}
PATHS = {
    "likexian": "`testdata/noterror/<tld>_<domain>` (the raw files; `.json` parsed results and "
                "`.pre` preprocessed copies are not taken), `testdata/notfound/<tld>_<domain>`",
    "php-whois": "`tests/Iodev/Whois/Modules/Tld/parsing_data/.<tld>/*.txt`, labelled by "
                 "`tests/Iodev/Whois/Modules/Tld/TldParsingTest.php`",
    "python-whois": "`test/samples/whois/<domain>`, labelled by `test/samples/expected/<domain>`",
}
HOW = {
    "likexian": "The file name is `<tld>_<domain>`. Answers under `noterror/` are ones the "
                "source's test parses without error as registered domains; the `.json` beside "
                "each confirms the domain name (`domain.punycode`). Kind `registered`. "
                "Answers under `notfound/` are ones its test asserts to be \"not found\"; kind "
                "`free`. The four `noterror` files about whole TLDs (`cn_cn`, `com_com`, "
                "`google_google`, `swiss_swiss`: IANA root-zone records) are left out.",
    "php-whois": "`TldParsingTest::getTestData()` lists rows `[domain, response file, expected "
                 "json or null]`; the test asserts that a row with `null` is available (kind "
                 "`free`) and that one with a json file is not (kind `registered`, the json's "
                 "`domainName` confirming the domain). The domain is the row's (IDN rows in "
                 "ASCII form). Rows commented out in the provider and the few response files no "
                 "row names are labelled the same way from the row or file name. The free "
                 "answers are for the placeholder name `free.<tld>` the rows give; the source's "
                 "author evidently put that name into the answers' text where they echo the query.",
    "python-whois": "The file name is the domain; the expected output's `domain_name` gives "
                    "the domain (kind `registered`), a null one would mean not registered. All "
                    "samples are of registered domains.",
}


# ---------------------------------------------------------------- heuristics

FREE_RX = re.compile(rb"no match|not found|no entries found|no data found|no object found|"
                     rb"not registered|no matching|is free|status:\s*free|available|"
                     rb"does not exist|nothing found|no information|0 objects|not exist|"
                     rb"no found|no such domain|invalid query|domain not known|"
                     rb"not been registered|no records", re.I)
REG_RX = re.compile(rb"creat|regist(ered|ration) (on|date)|expir|name ?server|nserver|"
                    rb"registrar|status:\s*(active|ok|connect|registered)", re.I)


def looks(data: bytes) -> str:
    free, reg = bool(FREE_RX.search(data)), bool(REG_RX.search(data))
    return "free" if free and not reg else "registered" if reg and not free else "?"


# -------------------------------------------------------------------- output

def write_readme(out: Path, answers: list[Answer], repos: dict[str, Repo],
                 dropped: list[tuple[Answer, Answer]], skipped: list[Answer]) -> None:
    by = Counter((a.source, a.kind) for a in answers)
    tlds = defaultdict(set)
    for a in answers:
        tlds[a.tld].add(a.kind)
    both = sorted(t for t, k in tlds.items() if {"free", "registered"} <= k)
    L = []
    L.append("# Recorded WHOIS answers")
    L.append("")
    L.append("Real answers of registry (and a few registrar) WHOIS servers (RFC 3912), "
             "recorded by the authors of "
             "three WHOIS client libraries for their own test suites and redistributed here, "
             "byte for byte, under those libraries' licences (each source's directory holds "
             "a copy of its `LICENSE`). They are test data for the WHOIS answer reader: "
             "nobody tuned the reader to them.")
    L.append("")
    L.append("`index.tsv` has one line per answer: `file` (path relative to this directory), "
             "`tld` (the public suffix the domain is registered under, from the Public "
             "Suffix List as Debian's `publicsuffix` package installs it), `domain` (the name asked, ASCII, lower case), `kind` "
             "(`free`, `registered`, `reserved`, `rate-limited` or `other`) and `source`.")
    L.append("")
    L.append("Everything here is generated by `tools/gather_whois_answers.py` from the "
             "repositories below; do not edit it by hand. Files over 64 KB and answers with "
             "the same bytes as one already taken from another source (in source then file "
             "order) are skipped; within one source, identical answers labelled for different "
             "suffixes (registries sharing a back end) are all kept. Line ends and encodings "
             "are as in the sources.")
    L.append("")
    total = Counter(a.kind for a in answers)
    L.append(f"In all {len(answers)} answers over {len(tlds)} suffixes: "
             + ", ".join(f"{total[k]} {k}" for k in KINDS if total[k])
             + f"; {len(both)} suffixes have both free and registered answers.")
    L.append("")
    for src in sorted(repos):
        fn, lic, cr = LICENCES[src]
        L.append(f"## {src}")
        L.append("")
        L.append(f"- Repository: {URLS[src]}")
        L.append(f"- Commit read: `{repos[src].commit}`")
        L.append(f"- Paths taken: {PATHS[src]}")
        L.append(f"- Licence: {lic} (`{fn}` of the repository, copied to `{src}/LICENSE`); {cr}")
        L.append(f"- Domain and kind: {HOW[src]}")
        counts = ", ".join(f"{by[(src, k)]} {k}" for k in KINDS if by[(src, k)])
        L.append(f"- Answers: {sum(by[(src, k)] for k in KINDS)} ({counts})")
        L.append("")
    L.append("## Relabelled, renamed and left out")
    L.append("")
    for (src, name), (kind, why) in sorted(OVERRIDES.items()):
        L.append(f"- `{src}/{name}`: kind `{kind}`; {why}")
    for a in answers:
        for n in a.notes:
            if n.startswith("file name"):
                L.append(f"- `{a.source}/{a.name}`: {n}; the domain column has the latter")
    for (src, name), why in sorted(REMARKS.items()):
        L.append(f"- `{src}/{name}`: {why}")
    for note, what in (("provider row commented out",
                        "labelled from provider rows that are commented out (their json "
                        "files are gone; each answer read by eye: registered)"),
                       ("no provider row; labelled from file name",
                        "named by no provider row, labelled from the file name")):
        names = [f"`{a.name}`" for a in answers if note in a.notes]
        if names:
            L.append(f"- php-whois answers {what}: " + ", ".join(names))
    for keep, drop in dropped:
        L.append(f"- `{drop.source}:{drop.origin}` left out: same bytes as "
                 f"`{keep.source}/{keep.name}`")
    for a in skipped:
        L.append(f"- `{a.source}:{a.origin}` left out: over 64 KB")
    L.append("")
    (out / "README.md").write_text("\n".join(L), encoding="utf-8")


def main() -> int:
    ap = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    for src, path in DEFAULTS.items():
        ap.add_argument("--" + src, default=path, help=f"git directory (default {path})")
    ap.add_argument("--psl", default=DEFAULT_PSL, help="public_suffix_list.dat")
    ap.add_argument("-o", "--out", default=str(DEFAULT_OUT), help="output directory")
    ap.add_argument("--check", action="store_true",
                    help="list answers whose text looks unlike their label")
    args = ap.parse_args()

    psl = Suffixes(args.psl)
    repos = {src: Repo(getattr(args, src.replace("-", "_"))) for src in DEFAULTS}
    gatherers = {"likexian": gather_likexian, "php-whois": gather_php_whois,
                 "python-whois": gather_python_whois}
    out = Path(args.out)

    answers: list[Answer] = []
    seen: dict[str, Answer] = {}
    dropped: list[tuple[Answer, Answer]] = []
    skipped: list[Answer] = []
    for src in sorted(repos):
        for a in sorted(gatherers[src](repos[src]), key=lambda a: a.name):
            if len(a.data) > MAX_SIZE:
                skipped.append(a)
                continue
            # the same bytes from another source add nothing; within one source
            # identical answers for different suffixes (shared back ends) are kept
            h = hashlib.sha256(a.data).hexdigest()
            if h in seen and seen[h].source != a.source:
                dropped.append((seen[h], a))
                continue
            seen.setdefault(h, a)
            if (a.source, a.name) in OVERRIDES:
                a.kind = OVERRIDES[(a.source, a.name)][0]
            a.tld = psl.registered_under(a.domain)
            answers.append(a)
    unused = (set(OVERRIDES) | set(REMARKS)) - {(a.source, a.name) for a in answers}
    if unused:
        raise SystemExit(f"overrides for missing answers: {sorted(unused)}")
    names = Counter((a.source, a.name) for a in answers)
    if max(names.values()) > 1:
        raise SystemExit("file name clash")

    if args.check:
        for a in answers:
            lk = looks(a.data)
            if lk != a.kind or a.notes:
                print(f"{a.source}/{a.name}\t{a.domain}\t{a.kind}\tlooks:{lk}\t{'; '.join(a.notes)}")
        return 0

    out.mkdir(parents=True, exist_ok=True)
    for src in sorted(repos):
        d = out / src
        d.mkdir(exist_ok=True)
        for old in d.glob("*.txt"):
            old.unlink()
        fn = LICENCES[src][0]
        (d / "LICENSE").write_bytes(repos[src].read(fn))
    for a in answers:
        (out / a.source / a.name).write_bytes(a.data)
    # keep git from touching line ends (CRLF answers must stay CRLF)
    (out / ".gitattributes").write_text("*.txt -text\n", encoding="ascii")
    rows = ["file\ttld\tdomain\tkind\tsource"]
    rows += [f"{a.source}/{a.name}\t{a.tld}\t{a.domain}\t{a.kind}\t{a.source}" for a in answers]
    (out / "index.tsv").write_text("\n".join(rows) + "\n", encoding="utf-8")
    write_readme(out, answers, repos, dropped, skipped)

    by = Counter((a.source, a.kind) for a in answers)
    for (src, kind), n in sorted(by.items()):
        print(f"{src}\t{kind}\t{n}")
    print(f"{len(answers)} answers, {len({a.tld for a in answers})} suffixes, "
          f"{len(dropped)} duplicates and {len(skipped)} large files left out", file=sys.stderr)
    return 0


if __name__ == "__main__":
    sys.exit(main())
