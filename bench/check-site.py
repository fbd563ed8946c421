#!/usr/bin/env python3
"""Checks a site that `quillon-cli site` wrote, page by page.

    bench/check-site.py SITE_DIR

Every .html file below SITE_DIR: its tags are balanced and properly nested, each id is
given once, and every local link (href, src) finds its file and, after a '#', an id in it.
Every page with numbered lines: each line's text, with its tags removed and its entities
decoded, is the line of the same number in the original beside the page (decoded in the
code page its project's index shows), and the lines left out are only the ones the page
writer leaves out (the attributes, and the form's designer block before them).

Prints one line per fault, then a count; exits 1 when there is a fault.
"""

import codecs
import html
import html.parser
import os
import re
import sys
import urllib.parse

VOID = {"area", "base", "br", "col", "embed", "hr", "img", "input", "link", "meta", "source", "track", "wbr"}
LINE_SPAN = re.compile(r'<span class="l" id="L(\d+)" data-n="\d+">(.*?)</span>\r?$', re.M)


class PageParser(html.parser.HTMLParser):
    def __init__(self):
        super().__init__(convert_charrefs=True)
        self.stack = []
        self.ids = {}
        self.links = []
        self.faults = []

    def handle_starttag(self, tag, attrs):
        self._attributes(attrs)
        if tag not in VOID:
            self.stack.append((tag, self.getpos()[0]))

    def handle_startendtag(self, tag, attrs):
        self._attributes(attrs)

    def handle_endtag(self, tag):
        if tag in VOID:
            return
        if not self.stack or self.stack[-1][0] != tag:
            open_tag = self.stack[-1] if self.stack else ("nothing", 0)
            self.faults.append(f"line {self.getpos()[0]}: </{tag}> closes <{open_tag[0]}> of line {open_tag[1]}")
            if any(t == tag for t, _ in self.stack):
                while self.stack and self.stack.pop()[0] != tag:
                    pass
            return
        self.stack.pop()

    def _attributes(self, attrs):
        for name, value in attrs:
            if name == "id":
                if value in self.ids:
                    self.faults.append(f"line {self.getpos()[0]}: id {value!r} given twice")
                self.ids[value] = True
            elif name in ("href", "src") and value is not None:
                self.links.append((self.getpos()[0], value))


def parse(path, cache):
    if path not in cache:
        with open(path, "rb") as f:
            text = f.read().decode("utf-8", errors="strict")
        parser = PageParser()
        parser.feed(text)
        parser.close()
        for tag, line in parser.stack:
            parser.faults.append(f"line {line}: <{tag}> never closed")
        cache[path] = (parser, text)
    return cache[path]


def code_pages(site):
    """The code page each page's project index shows, by the page's path."""
    pages = {}
    row = re.compile(r'<tr><td><a href="([^"]+\.html)">[^<]*</a></td><td>[^<]*</td><td class="count">\d+</td>'
                     r'<td class="count">\d+</td><td>([^<]+)</td>')
    for folder, _, files in os.walk(site):
        if "index.html" in files:
            with open(os.path.join(folder, "index.html"), encoding="utf-8") as f:
                for href, name in row.findall(f.read()):
                    page = os.path.normpath(os.path.join(folder, urllib.parse.unquote(href)))
                    pages[page] = html.unescape(name)
    return pages


def windows_1252_each(error):
    """A byte the code page rejects is shown as its Windows-1252 character, each on its own."""
    bad = error.object[error.start:error.end]
    return "".join(bytes([b]).decode("cp1252", errors="replace") for b in bad), error.end


def c1_control(error):
    """Windows-1252's five undefined bytes read as the C1 controls of the same value."""
    return "".join(chr(b) for b in error.object[error.start:error.end]), error.end


codecs.register_error("windows-1252-each", windows_1252_each)
codecs.register_error("c1-control", c1_control)


def decoder_of(name):
    name = name.strip().lower()
    if name in ("utf-8", "utf8"):
        return "utf-8-sig"
    try:
        return codecs.lookup(name).name
    except LookupError:
        return codecs.lookup(name.replace("windows-", "cp")).name


def shown_lines(lines):
    """The numbers (1-based) of the lines the page writer shows."""
    first = 0
    for i, line in enumerate(lines):
        if line.startswith("Attribute VB_Name"):
            body = i + 1
            while body < len(lines) and lines[body].startswith("Attribute"):
                body += 1
            if body + 1 < len(lines):
                first = body
            break
    return [i + 1 for i in range(first, len(lines)) if not lines[i].startswith("Attribute")]


def check_code(page, text, encoding):
    source = page[: -len(".html")]
    if not os.path.isfile(source):
        return [f"no original beside the page ({os.path.basename(source)})"]
    with open(source, "rb") as f:
        codec = decoder_of(encoding)
        decoded = f.read().decode(codec, errors="c1-control" if codec == "cp1252" else "windows-1252-each")
    lines = re.split(r"\r\n|\r|\n", decoded)
    if lines and lines[-1] == "":
        lines.pop()
    spans = LINE_SPAN.findall(text)
    numbers = [int(n) for n, _ in spans]
    expected = shown_lines(lines)
    if numbers != expected:
        missing = sorted(set(expected) - set(numbers))[:5]
        extra = sorted(set(numbers) - set(expected))[:5]
        return [f"numbered lines differ from the source's ({len(numbers)} shown, {len(expected)} expected; "
                f"missing {missing}, extra {extra})"]
    for (number, content), first in zip(spans, [True] + [False] * len(spans)):
        shown = html.unescape(re.sub(r"<[^>]*>", "", content))
        want = lines[int(number) - 1]
        if shown != want and not (first and shown == want + " "):
            return [f"line {number}: text differs from the source ({encoding}): {shown[:60]!r} != {want[:60]!r}"]
    return []


def main():
    if len(sys.argv) != 2:
        sys.exit(__doc__)
    site = os.path.normpath(sys.argv[1])
    cache = {}
    encodings = code_pages(site)
    faults = []
    pages = code_pages_checked = broken = 0
    for folder, _, files in os.walk(site):
        for name in sorted(files):
            if not name.endswith(".html"):
                continue
            path = os.path.join(folder, name)
            pages += 1
            parser, text = parse(path, cache)
            page_faults = list(parser.faults)
            for line, link in parser.links:
                parts = urllib.parse.urlsplit(link)
                if parts.scheme or parts.netloc:
                    continue
                target = path if not parts.path else os.path.normpath(
                    os.path.join(folder, urllib.parse.unquote(parts.path)))
                if not os.path.isfile(target):
                    page_faults.append(f"line {line}: {link} finds no file")
                    broken += 1
                elif parts.fragment and target.endswith(".html"):
                    if parts.fragment not in parse(target, cache)[0].ids:
                        page_faults.append(f"line {line}: {link} finds no anchor")
                        broken += 1
            if LINE_SPAN.search(text):
                code_pages_checked += 1
                if path in encodings:
                    page_faults += check_code(path, text, encodings[path])
                else:
                    page_faults.append("not listed on its project's index")
            faults += [f"{os.path.relpath(path, site)}: {fault}" for fault in page_faults]
    for fault in faults:
        print(fault)
    differing = sum(1 for f in faults if "differ" in f)
    print(f"checked {pages} html files ({code_pages_checked} with code): {len(faults)} faults, "
          f"{broken} broken local links, {differing} pages whose code differs from the source")
    sys.exit(1 if faults else 0)


if __name__ == "__main__":
    main()
