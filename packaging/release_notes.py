#!/usr/bin/env python3
"""Turns NEWS.md into the Debian changelog and the metainfo's <releases>.

NEWS.md is the one place release notes are written; the package and the
software centres show the same words. Each release is a heading
"## <version> (<YYYY-MM-DD>)" followed by paragraphs and "- " items;
emphasis and code marks are dropped, as neither target can show them.

Usage:
  release_notes.py debian <NEWS.md> <out> <package> <maintainer>
  release_notes.py metainfo <NEWS.md> <template> <out>
"""

import datetime
import re
import sys
import textwrap
from xml.sax.saxutils import escape

HEADING = re.compile(r"^## +(\S+) +\((\d{4}-\d{2}-\d{2})\) *$")


def plain(text):
    return re.sub(r"\*\*|`", "", " ".join(text.split()))


def parse(path):
    """Releases, newest first as written: (version, date, [(kind, text)])."""
    releases = []
    block = None
    with open(path, encoding="utf-8") as news:
        for line in news:
            line = line.rstrip("\n")
            heading = HEADING.match(line)
            if heading:
                entries = []
                releases.append((heading[1], datetime.date.fromisoformat(heading[2]), entries))
                block = None
            elif not releases or line.startswith("#"):
                block = None
            elif not line.strip():
                block = None
            elif line.startswith("- "):
                block = ["item", line[2:]]
                entries.append(block)
            elif block is not None:
                block[1] += " " + line.strip()
            else:
                block = ["para", line]
                entries.append(block)
    if not releases:
        sys.exit(f"{path}: no release heading '## <version> (<YYYY-MM-DD>)'")
    return [(v, d, [(k, plain(t)) for k, t in e]) for v, d, e in releases]


def debian(releases, package, maintainer):
    out = []
    for version, date, entries in releases:
        out.append(f"{package} ({version}) unstable; urgency=medium\n\n")
        for _, text in entries:
            out.append(textwrap.fill(text, width=78, initial_indent="  * ",
                                     subsequent_indent="    ", break_on_hyphens=False) + "\n")
        stamp = datetime.datetime.combine(date, datetime.time(), datetime.timezone.utc)
        out.append(f"\n -- {maintainer}  {stamp.strftime('%a, %d %b %Y %H:%M:%S +0000')}\n\n")
    return "".join(out).rstrip("\n") + "\n"


def metainfo(releases, template):
    xml = ["<releases>"]
    for version, date, entries in releases:
        xml.append(f'  <release version="{escape(version)}" date="{date.isoformat()}">')
        xml.append("    <description>")
        in_list = False
        for kind, text in entries:
            if kind == "item" and not in_list:
                xml.append("      <ul>")
            elif kind != "item" and in_list:
                xml.append("      </ul>")
            in_list = kind == "item"
            xml.append(f"        <li>{escape(text)}</li>" if in_list else f"      <p>{escape(text)}</p>")
        if in_list:
            xml.append("      </ul>")
        xml.append("    </description>")
        xml.append("  </release>")
    xml.append("</releases>")
    marker = re.search(r"^( *)@ZANRAI_RELEASES@\n", template, re.M)
    if not marker:
        sys.exit("metainfo template lacks a line '@ZANRAI_RELEASES@'")
    block = "".join(marker[1] + line + "\n" for line in xml)
    return template[:marker.start()] + block + template[marker.end():]


def main(argv):
    if len(argv) == 6 and argv[1] == "debian":
        text = debian(parse(argv[2]), argv[4], argv[5])
    elif len(argv) == 5 and argv[1] == "metainfo":
        with open(argv[3], encoding="utf-8") as template:
            text = metainfo(parse(argv[2]), template.read())
    else:
        sys.exit(__doc__)
    with open(argv[-1] if argv[1] == "metainfo" else argv[3], "w", encoding="utf-8") as out:
        out.write(text)


if __name__ == "__main__":
    main(sys.argv)
