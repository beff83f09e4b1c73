#!/usr/bin/env python3
"""Checks the help pages of a folder: each page parses, ids are unique, and
every link to a page or a section inside the folder leads to one that exists.
Links to the web (http, https, mailto) are left alone.

    check_help_links.py HELP_FOLDER
"""
import sys
from html.parser import HTMLParser
from pathlib import Path
from urllib.parse import urlsplit, unquote


class Page(HTMLParser):
    def __init__(self):
        super().__init__()
        self.ids = []
        self.links = []

    def handle_starttag(self, tag, attrs):
        a = dict(attrs)
        if "id" in a:
            self.ids.append(a["id"])
        if tag == "a" and "name" in a:
            self.ids.append(a["name"])
        for key in ("href", "src"):
            if a.get(key):
                self.links.append(a[key])


def main(folder):
    folder = Path(folder)
    pages = {}
    faults = []
    for path in sorted(folder.glob("*.html")):
        page = Page()
        page.feed(path.read_text(encoding="utf-8"))
        dupes = {i for i in page.ids if page.ids.count(i) > 1}
        if dupes:
            faults.append(f"{path.name}: ids used twice: {sorted(dupes)}")
        pages[path.name] = page
    if "tlx_index.html" not in pages:
        faults.append("no start page tlx_index.html")
    for name, page in pages.items():
        for link in page.links:
            parts = urlsplit(link)
            if parts.scheme or parts.netloc:
                continue
            target = unquote(parts.path) or name
            if not (folder / target).is_file():
                faults.append(f"{name}: link {link!r}: no file {target}")
            elif parts.fragment and target.endswith(".html"):
                if parts.fragment not in pages[target].ids:
                    faults.append(f"{name}: link {link!r}: no section #{parts.fragment} in {target}")
    for f in faults:
        print("FAIL:", f, file=sys.stderr)
    print(f"{len(pages)} help pages checked")
    return 1 if faults else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1]))
