#!/usr/bin/env python3
"""Build data/tlds.txt, the table of top-level domains Nomispot offers.

Inputs come from two Debian packages:
  iso-codes     /usr/share/iso-codes/json/iso_3166-1.json  (country names)
  publicsuffix  /usr/share/publicsuffix/public_suffix_list.dat

Output: one line per TLD, "tld;description;registrySite;subdomains\n",
printable ASCII only, never more than MAX_LINES lines.  The order is the
classic generic TLDs, then every country code TLD alphabetically, then the
most used newer generic TLDs until the table is full.

Standard library only; the output depends on nothing but the two inputs.
"""

import argparse
import json
import os
import re
import sys
import tempfile
import unicodedata
from pathlib import Path
from urllib.parse import urlsplit

MAX_LINES = 301

DEFAULT_ISO = "/usr/share/iso-codes/json/iso_3166-1.json"
DEFAULT_PSL = "/usr/share/publicsuffix/public_suffix_list.dat"
DEFAULT_OUT = Path(__file__).resolve().parent.parent / "data" / "tlds.txt"

IANA_PAGE = "https://www.iana.org/domains/root/db/{}.html"

# Classic generic and sponsored TLDs, in the order the table lists them.
GENERIC = [
    ("com", "Commercial"),
    ("net", "Network"),
    ("org", "Organisations"),
    ("info", "Information"),
    ("biz", "Business"),
    ("name", "Individuals"),
    ("pro", "Professionals"),
    ("mobi", "Mobile"),
    ("edu", "US education"),
    ("gov", "US government"),
    ("mil", "US military"),
    ("int", "International organisations"),
    ("aero", "Air transport industry"),
    ("asia", "Asia-Pacific region"),
    ("cat", "Catalan language and culture"),
    ("coop", "Cooperatives"),
    ("jobs", "Human resources"),
    ("museum", "Museums"),
    ("tel", "Contact information"),
    ("travel", "Travel and tourism"),
    ("xxx", "Adult entertainment"),
    ("post", "Postal services"),
]

# Newer generic TLDs, most used first.  Only as many as fit are taken;
# the tail is spare in case some drop out of the suffix list.
NEW_GENERIC = [
    ("xyz", "Generic"),
    ("online", "Online presence"),
    ("top", "Generic"),
    ("shop", "Shops"),
    ("site", "Web sites"),
    ("store", "Online stores"),
    ("club", "Clubs and communities"),
    ("vip", "Premium names"),
    ("live", "Live events and streaming"),
    ("app", "Applications"),
    ("tech", "Technology"),
    ("icu", "Generic"),
    ("fun", "Entertainment"),
    ("space", "Creative projects"),
    ("website", "Web sites"),
    ("dev", "Developers"),
    ("cloud", "Cloud services"),
    ("blog", "Blogs"),
    ("art", "Arts and culture"),
    ("design", "Design"),
    ("life", "Lifestyle"),
    ("world", "Worldwide"),
    ("today", "News and events"),
    ("link", "Links"),
    ("click", "Generic"),
    ("digital", "Digital businesses"),
    ("agency", "Agencies"),
    ("news", "News"),
    ("email", "E-mail"),
    ("group", "Groups"),
    ("company", "Companies"),
    ("studio", "Studios"),
    ("media", "Media"),
    ("network", "Networks"),
    ("solutions", "Solutions providers"),
    ("global", "Worldwide"),
    ("ltd", "Limited companies"),
]

# Country code TLDs that are not ISO 3166-1 alpha-2 codes.
CC_EXTRA_NAMES = {
    "ac": "Ascension Island",
    "eu": "European Union",
    "su": "Soviet Union",
    "uk": "United Kingdom",
}

# Second-level labels under which ordinary names are registered, most used
# first.  Labels missing from the suffix list are dropped at build time.
SUBDOMAINS = {
    "uk": ["co", "org", "me", "ltd", "plc", "net"],
    "au": ["com", "net", "org", "id", "asn"],
    "jp": ["co", "ne", "or", "ac", "gr"],
    "br": ["com", "net", "org"],
    "nz": ["co", "net", "org"],
    "za": ["co", "org", "net"],
    "il": ["co", "org", "net"],
    "kr": ["co", "or", "ne"],
    "ar": ["com", "org", "net"],
    "th": ["co", "in", "or"],
    "tr": ["com", "net", "org"],
    "ua": ["com", "net", "org"],
    "tz": ["co", "or", "ne"],
    "zw": ["co", "org"],
    "gh": ["com", "org"],
    "eg": ["com", "net", "org"],
    "py": ["com", "net", "org"],
}
MAX_SUBDOMAINS = 9

# Open second levels the list names but the table above leaves out (registry announcements).
SUBDOMAINS["nz"] += ["kiwi", "geek", "gen", "maori"]
SUBDOMAINS["za"] += ["web"]
SUBDOMAINS["br"] += ["app", "art", "blog", "dev", "eco", "tec"]

# TLDs that also take names directly under them besides their second levels: uk since 2014,
# jp since 2001, au since 2022, nz since 2014. Their rows search the bare TLD first.
DIRECT = {"uk", "jp", "au", "nz"}

# TLDs with a "*.tld" rule: every name is registered under a second-level label, never directly.
# The labels ordinary names take (the registries' published second levels).
WILDCARD_SUBDOMAINS = {
    "bd": ["com", "net", "org"],
    "ck": ["co", "org", "net"],
    "er": ["com", "net", "org"],
    "fk": ["co", "org", "net"],
    "jm": ["com", "net", "org"],
    "kh": ["com", "net", "org"],
    "mm": ["com", "net", "org"],
    "np": ["com", "net", "org"],
    "pg": ["com", "net", "org"],
}

# Delegated but closed to registration (IANA root zone database): every name would read free.
CLOSED = {"gb", "bv", "sj"}

# Hosts named in the suffix list that are not a registry's own site.
NON_REGISTRY_HOSTS = ("wikipedia.org", "iana.org", "icann.org",
                      "gobin.info", "psg.com")

LABEL_RE = re.compile(r"^[a-z0-9]([a-z0-9-]*[a-z0-9])?$")
HOST_RE = re.compile(r"^[a-z0-9]([a-z0-9-]*[a-z0-9])?(\.[a-z0-9]([a-z0-9-]*[a-z0-9])?)+$")
URL_RE = re.compile(r"https?://[^\s<>\"']+", re.IGNORECASE)
SEE_RE = re.compile(r"^(?:also\s+)?see(?:\s+also)?\s*:?\s*", re.IGNORECASE)

# Characters NFKD does not fold to ASCII by itself.
ASCII_FOLD = {
    "\u2018": "'", "\u2019": "'", "\u201c": '"', "\u201d": '"',
    "\u2013": "-", "\u2014": "-", "\u00df": "ss", "\u00e6": "ae",
    "\u00c6": "AE", "\u00f8": "o", "\u00d8": "O", "\u0153": "oe",
    "\u0152": "OE", "\u0131": "i", "\u0142": "l", "\u0141": "L",
    "\u00f0": "d", "\u00d0": "D", "\u00fe": "th", "\u00de": "Th",
}


def warn(msg):
    print("make_tld_table: " + msg, file=sys.stderr)


def to_ascii(text):
    """Printable ASCII version of text, without ';' (the field separator)."""
    text = "".join(ASCII_FOLD.get(c, c) for c in str(text))
    text = unicodedata.normalize("NFKD", text)
    text = "".join(c for c in text if 0x20 <= ord(c) < 0x7F)
    text = text.replace(";", ",")
    return " ".join(text.split())


def read_country_names(path):
    """Map lower-case alpha-2 code -> country name; empty on bad input."""
    try:
        with open(path, encoding="utf-8") as f:
            data = json.load(f)
        entries = data["3166-1"]
    except (OSError, ValueError, KeyError, TypeError) as e:
        warn("cannot read country names from %s (%s); using fallbacks" % (path, e))
        return {}
    names = {}
    for entry in entries if isinstance(entries, list) else []:
        if not isinstance(entry, dict):
            continue
        code = entry.get("alpha_2")
        name = entry.get("common_name") or entry.get("name")
        if not isinstance(code, str) or not isinstance(name, str):
            continue
        code = code.lower()
        name = to_ascii(name)
        if re.fullmatch(r"[a-z]{2}", code) and name:
            names[code] = name
    return names


class SuffixList:
    """The ICANN part of the public suffix list, as far as we need it."""

    def __init__(self, lines):
        self.lines = lines
        self.first_rule = {}   # tld -> index of its first rule line
        self.top_level = set()  # TLDs that are rules themselves
        self.wildcard = set()   # TLDs with a "*.tld" rule
        self.second = {}       # tld -> set of explicit second-level labels
        for i, raw in enumerate(lines):
            line = raw.strip()
            if not line or line.startswith("//"):
                continue
            rule = line.split()[0].lower().lstrip("!")
            labels = rule.split(".")
            # Skip IDN and anything malformed; the table is ASCII only.
            if not all(l == "*" or LABEL_RE.match(l) for l in labels):
                continue
            tld = labels[-1]
            if tld == "*" or tld.startswith("xn--"):
                continue
            self.first_rule.setdefault(tld, i)
            if len(labels) == 1:
                self.top_level.add(tld)
            elif len(labels) == 2 and labels[0] == "*":
                self.wildcard.add(tld)
            elif len(labels) == 2:
                self.second.setdefault(tld, set()).add(labels[0])

    @classmethod
    def load(cls, path):
        with open(path, encoding="utf-8", errors="replace") as f:
            lines = f.read().splitlines()
        begin = end = None
        for i, line in enumerate(lines):
            if "===BEGIN ICANN DOMAINS===" in line:
                begin = i
            elif "===END ICANN DOMAINS===" in line and begin is not None:
                end = i
                break
        if begin is None or end is None:
            warn("ICANN section markers missing in %s; reading the whole file" % path)
            return cls(lines)
        return cls(lines[begin + 1:end])

    def has(self, tld):
        return tld in self.top_level

    def country_codes(self):
        # Some ccTLDs only appear through their second level (za, or
        # wildcards such as *.bd); they are ccTLDs all the same.
        return sorted(t for t in self.first_rule if re.fullmatch(r"[a-z]{2}", t))

    def header(self, tld):
        """Comment lines directly above the first rule of tld."""
        i = self.first_rule.get(tld)
        if i is None:
            return []
        out = []
        i -= 1
        while i >= 0 and self.lines[i].strip().startswith("//"):
            out.append(self.lines[i].strip()[2:].strip())
            i -= 1
        return out[::-1]

    def registry_site(self, tld):
        """Registry home page named in the list, else the IANA page."""
        # "tld : url ..." (sometimes without the colon, or "tld : see url"),
        # or a line holding nothing but a url, optionally after "see also:".
        tld_line = re.compile(r"^" + re.escape(tld) + r"(?:\s*:\s*|\s+)(.*)$", re.IGNORECASE)
        for text in self.header(tld):
            m = tld_line.match(text)
            rest = m.group(1) if m else text
            rest = SEE_RE.sub("", rest, count=1)
            u = URL_RE.match(rest)
            if not u or (not m and u.end() != len(rest.rstrip())):
                continue
            site = site_of(u.group(0))
            if site:
                return site
        return IANA_PAGE.format(tld)

    def subdomains(self, tld):
        """The second-level labels of tld's row; "" stands for names directly under tld."""
        if tld in self.wildcard:
            # Any label is a suffix under "*.tld"; the bare TLD never is registrable.
            return WILDCARD_SUBDOMAINS.get(tld, [])[:MAX_SUBDOMAINS]
        present = self.second.get(tld, set())
        labels = [l for l in SUBDOMAINS.get(tld, []) if l in present][:MAX_SUBDOMAINS]
        if labels and tld in DIRECT and tld in self.top_level:
            labels.insert(0, "")
        return labels


def site_of(url):
    """scheme://host of url if it looks like a registry's site, else None."""
    try:
        parts = urlsplit(url)
        host = (parts.hostname or "").rstrip(".").lower()
    except ValueError:
        return None
    if parts.scheme.lower() not in ("http", "https") or not HOST_RE.match(host):
        return None
    if host.startswith("whois."):
        return None
    for bad in NON_REGISTRY_HOSTS:
        if host == bad or host.endswith("." + bad):
            return None
    return "%s://%s" % (parts.scheme.lower(), host)


def read_registry_sites(path):
    """tld -> (IANA's "URL for registration services", source) from a registry-sites.tsv."""
    sites = {}
    with open(path, encoding="utf-8") as f:
        header = f.readline().rstrip("\n").split("\t")
        for line in f:
            fields = dict(zip(header, line.rstrip("\n").split("\t")))
            tld, url = fields.get("tld", "").lower(), fields.get("url", "")
            if tld and url:
                sites[tld] = (url, fields.get("source", ""))
    return sites


def pick_site(tld, present, registry_sites):
    """The registry's site: IANA's URL (scheme and host in lower case), https kept where the
    site found otherwise is https on the same host; else the site found otherwise."""
    iana = site_of(registry_sites[tld][0]) if tld in registry_sites else None
    if not iana:
        return present
    if present and present.startswith("https://") and iana == "http://" + present[8:]:
        return present
    return iana


def build(psl, names, registry_sites=None):
    rows = []
    seen = set()
    registry_sites = registry_sites or {}

    def add(tld, desc):
        if tld in seen or len(rows) >= MAX_LINES:
            return
        seen.add(tld)
        desc = to_ascii(desc) or tld.upper()
        site = pick_site(tld, to_ascii(psl.registry_site(tld)), registry_sites) or \
            IANA_PAGE.format(tld)
        subs = ":".join(to_ascii(l) for l in psl.subdomains(tld))
        rows.append("%s;%s;%s;%s" % (tld, desc, site, subs))

    for tld, desc in GENERIC:
        if psl.has(tld):
            add(tld, desc)
    for tld in psl.country_codes():
        if tld in CLOSED:
            continue
        if tld in psl.wildcard and tld not in WILDCARD_SUBDOMAINS:
            warn(".%s takes names only under second levels none of which is known; left out" % tld)
            continue
        name = CC_EXTRA_NAMES.get(tld) or names.get(tld)
        if not name:
            warn("no country name for .%s" % tld)
            name = "Country code ." + tld
        add(tld, name)
    for tld, desc in NEW_GENERIC:
        if psl.has(tld):
            add(tld, desc)
    return rows


def write_atomically(path, rows):
    path.parent.mkdir(parents=True, exist_ok=True)
    fd, tmp = tempfile.mkstemp(prefix=".tlds.", dir=str(path.parent))
    try:
        with os.fdopen(fd, "w", encoding="ascii", newline="\n") as f:
            for row in rows:
                f.write(row + "\n")
        os.replace(tmp, str(path))
    except BaseException:
        try:
            os.unlink(tmp)
        except OSError:
            pass
        raise


def main(argv=None):
    ap = argparse.ArgumentParser(description="Generate the Nomispot TLD table.")
    ap.add_argument("--iso-codes", default=DEFAULT_ISO, metavar="PATH",
                    help="iso_3166-1.json from iso-codes (default: %(default)s)")
    ap.add_argument("--psl", default=DEFAULT_PSL, metavar="PATH",
                    help="public_suffix_list.dat (default: %(default)s)")
    ap.add_argument("--registry-sites", metavar="PATH",
                    help="registry-sites.tsv: IANA's registration URL per TLD (tld, url, source)")
    ap.add_argument("-o", "--output", default=str(DEFAULT_OUT), metavar="PATH",
                    help="output file (default: data/tlds.txt in the repository)")
    args = ap.parse_args(argv)

    try:
        psl = SuffixList.load(args.psl)
    except OSError as e:
        # Without the suffix list there is nothing sound to write; keep
        # whatever table is already there.
        warn("cannot read %s (%s); output left unchanged" % (args.psl, e))
        return 1
    registry_sites = {}
    if args.registry_sites:
        try:
            registry_sites = read_registry_sites(args.registry_sites)
        except OSError as e:
            warn("cannot read %s (%s); output left unchanged" % (args.registry_sites, e))
            return 1
    rows = build(psl, read_country_names(args.iso_codes), registry_sites)
    if not rows:
        warn("no TLDs found in %s; output left unchanged" % args.psl)
        return 1
    try:
        write_atomically(Path(args.output), rows)
    except OSError as e:
        warn("cannot write %s (%s)" % (args.output, e))
        return 1
    print("wrote %d TLDs to %s" % (len(rows), args.output))
    return 0


if __name__ == "__main__":
    sys.exit(main())
