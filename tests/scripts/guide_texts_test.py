#!/usr/bin/env python3
"""The user guide quotes the program's texts as the program has them.

    guide_texts_test.py SOURCE_DIR

Every element of docs/guide.html with the class "ui" holds one text of the program as the user
sees it: a menu's or button's letter underlined (<u>T</u> for "&T"), a name or path that the
program puts in as <var>, a line break as <br>. Each must be one whole string of the program's
sources or resource scripts; a text changed in one place only fails here.
"""
import glob
import html.parser
import os
import re
import sys

LITERAL = re.compile(r'"((?:[^"\\\n]|\\.)*)"')
ESCAPES = {"n": "\n", "t": "\t", "0": "\0", "\\": "\\", '"': '"'}


def program_texts(top):
    texts = set()
    files = glob.glob(os.path.join(top, "src", "**", "*.cpp"), recursive=True)
    files += glob.glob(os.path.join(top, "src", "**", "*.h"), recursive=True)
    files += glob.glob(os.path.join(top, "src", "res", "*.rc"))
    for name in files:
        with open(name, encoding="utf-8") as source:
            for literal in LITERAL.findall(source.read()):
                text = re.sub(r"\\(.)", lambda m: ESCAPES.get(m.group(1), m.group(1)), literal)
                texts.update(part.strip() for part in text.split("\0"))
    return texts


class QuotedTexts(html.parser.HTMLParser):
    def __init__(self):
        super().__init__()
        self.texts, self.depth, self.in_var = [], 0, False

    def handle_starttag(self, tag, attrs):
        if self.depth:
            self.depth += tag not in ("br",)
            self.texts[-1] += {"u": "&", "br": "\n", "var": "%s"}.get(tag, "")
            self.in_var = self.in_var or tag == "var"
        elif "ui" in (dict(attrs).get("class") or "").split():
            self.depth = 1
            self.texts.append("")

    def handle_endtag(self, tag):
        if self.depth:
            self.depth -= 1
            self.in_var = self.in_var and tag != "var"

    def handle_data(self, data):
        if self.depth and not self.in_var:
            self.texts[-1] += data


def main():
    top = sys.argv[1]
    guide = QuotedTexts()
    with open(os.path.join(top, "docs", "guide.html"), encoding="utf-8") as page:
        guide.feed(page.read())
    known = program_texts(top)
    missing = sorted({text for text in guide.texts if text.strip() not in known})
    for text in missing:
        print("FAIL: the guide quotes a text that the program does not have: %r" % text)
    if not guide.texts:
        print("FAIL: the guide marks no program text")
    if missing or not guide.texts:
        return 1
    print("%d quoted texts, %d different, all the program's own" % (len(guide.texts), len(set(guide.texts))))
    return 0


if __name__ == "__main__":
    sys.exit(main())
