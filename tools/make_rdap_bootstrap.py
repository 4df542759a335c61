#!/usr/bin/env python3
"""Writes data/rdap-dns.json, the RDAP bootstrap snapshot Nomispot ships.

Input: the `services` array of IANA's RDAP bootstrap file for domains
(https://data.iana.org/rdap/dns.json, RFC 9224) as packaged in the npm
package rdap-client (dist/rdap-servers.json). The output is in IANA's own
format, so a newer dns.json saved in the user's data folder replaces it as is.
"""

import argparse
import json
import sys


def main():
    parser = argparse.ArgumentParser(description=__doc__)
    parser.add_argument("services", help="rdap-servers.json of the npm package rdap-client")
    parser.add_argument("--publication", required=True,
                        help="when the snapshot was taken (ISO 8601, e.g. 2023-05-29T20:32:53Z)")
    parser.add_argument("-o", "--output", default="-")
    args = parser.parse_args()

    with open(args.services, encoding="utf-8") as f:
        services = json.load(f)
    if not isinstance(services, list) or not all(
            isinstance(s, list) and len(s) == 2 for s in services):
        sys.exit("not a services array: " + args.services)
    services = sorted(([sorted(t.lower() for t in tlds), urls] for tlds, urls in services),
                      key=lambda s: s[0][0])

    # IANA's layout, one service per line: small diffs when the snapshot is renewed.
    text = ('{"description": "RDAP bootstrap file for Domain Name System registrations",\n'
            ' "publication": %s,\n "version": "1.0",\n "services": [\n  %s\n]}\n'
            % (json.dumps(args.publication),
               ",\n  ".join(json.dumps(s, ensure_ascii=True) for s in services)))
    if args.output == "-":
        sys.stdout.write(text)
    else:
        with open(args.output, "w", encoding="utf-8") as f:
            f.write(text)


if __name__ == "__main__":
    main()
