#!/usr/bin/env python3
"""Writes data/whois-servers.tsv and data/whois-answers.tsv, the WHOIS tables Nomispot ships.

Both come from the registry data gathered for the project (see tools/README.md for their
sources): the server table without the rows marked UNVERIFIED (hosts guessed by rule, named by no
source), and the answer wordings for the TLDs that keep a server, with the generic "*" rows. The
wordings read off recorded answers here (tools/whois-answers-added.tsv, each row naming the
recording) come after them.
The columns and header lines stay as they are, so a user's table in the same format can replace
the shipped one (NOMISPOT_WHOIS_SERVERS).

    python3 tools/make_whois_tables.py [--source ../shared/data/registry] [-o data]
"""

import argparse
import os
import sys


def read_table(path, columns):
    with open(path, encoding="utf-8", newline="") as f:
        lines = f.read().split("\n")
    header = lines[0].rstrip("\r")
    if header.split("\t")[: len(columns)] != columns:
        sys.exit("%s: unexpected header %r" % (path, header))
    rows = [line.rstrip("\r").split("\t") for line in lines[1:] if line.strip()]
    return header, rows


def write_table(path, header, rows):
    with open(path, "w", encoding="utf-8", newline="\n") as f:
        f.write(header + "\n")
        for row in rows:
            f.write("\t".join(row) + "\n")


def main():
    here = os.path.dirname(os.path.abspath(__file__))
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--source", default=os.path.join(here, "..", "..", "shared", "data",
                                                         "registry"))
    parser.add_argument("-o", "--out", default=os.path.join(here, "..", "data"))
    args = parser.parse_args()

    header, servers = read_table(os.path.join(args.source, "whois-servers.tsv"),
                                 ["tld", "whois_host", "source", "note"])
    kept = [row for row in servers if not any("UNVERIFIED" in field for field in row[2:])]
    tlds = {row[0].lower() for row in kept}
    write_table(os.path.join(args.out, "whois-servers.tsv"), header, kept)

    answers_header, answers = read_table(os.path.join(args.source, "whois-answers.tsv"),
                                         ["tld", "whois_host", "kind", "phrase", "match"])
    _, added = read_table(os.path.join(here, "whois-answers-added.tsv"),
                          ["tld", "whois_host", "kind", "phrase", "match"])
    wordings = [row for row in answers + added if row[0] == "*" or row[0].lower() in tlds]
    write_table(os.path.join(args.out, "whois-answers.tsv"), answers_header, wordings)

    print("whois-servers.tsv: %d of %d rows (%d UNVERIFIED left out)"
          % (len(kept), len(servers), len(servers) - len(kept)))
    print("whois-answers.tsv: %d of %d rows (%d added here)"
          % (len(wordings), len(answers) + len(added), len(added)))


if __name__ == "__main__":
    main()
