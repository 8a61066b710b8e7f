#!/usr/bin/env python3
"""Writes the language files of resources/lang/ from their UTF-8 sources.

Each translation is kept as tools/lang/<Name><page>.txt in UTF-8: one
`key=value` line per text of resources/lang/English1252.ini, in any order,
with ';' comments allowed. The English file is the template: the written
file follows its sections, comments and order, with each value replaced by
the translation, and is encoded in the code page its name gives:

  1250..1258  windows-125x          874  windows-874 (Thai)
  932         Shift_JIS (cp932)     936  GBK
  949         windows-949           950  Big5 (cp950)
  442         UTF-16 LE with a byte-order mark: 442 is no code page, the
              reader goes by the mark

Windows-1258 holds Vietnamese letters partly decomposed: the vowel with its
circumflex, breve or horn is one byte, the tone mark a combining byte after
it. The sources keep ordinary precomposed text; this script splits it.

A key missing from a source, a key the English file does not have, or a
character the code page cannot hold stops the script with a message.

Run from anywhere:  python3 tools/make_lang.py
"""

import os
import re
import sys
import unicodedata

HERE = os.path.dirname(os.path.abspath(__file__))
SOURCES = os.path.join(HERE, "lang")
OUT = os.path.join(HERE, "..", "resources", "lang")
TEMPLATE = os.path.join(OUT, "English1252.ini")

CODECS = {
    874: "cp874",
    932: "cp932",
    936: "gbk",
    949: "cp949",
    950: "cp950",
}
# The tone marks that windows-1258 keeps as combining characters.
TONES_1258 = {"\u0300", "\u0301", "\u0303", "\u0309", "\u0323"}


def codec_for(page):
    if page in CODECS:
        return CODECS[page]
    if 1250 <= page <= 1258:
        return "cp%d" % page
    raise SystemExit("no code page known for %d" % page)


def split_tones(text):
    """Precomposed Vietnamese -> windows-1258 form (base letter + tone mark)."""
    out = []
    for ch in unicodedata.normalize("NFD", text):
        if unicodedata.combining(ch) and out:
            out[-1].append(ch)
        else:
            out.append([ch])
    result = []
    for cluster in out:
        base = [c for c in cluster if c not in TONES_1258]
        tones = [c for c in cluster if c in TONES_1258]
        result.append(unicodedata.normalize("NFC", "".join(base)) + "".join(tones))
    return "".join(result)


def encode(text, page, name):
    if page == 442:
        return b"\xff\xfe" + text.encode("utf-16-le")
    if page == 1258:
        text = split_tones(text)
    try:
        return text.encode(codec_for(page))
    except UnicodeEncodeError as e:
        bad = text[e.start:e.end]
        line = text.count("\n", 0, e.start) + 1
        raise SystemExit("%s line %d: %r is not in code page %d" % (name, line, bad, page))


def read_source(path):
    values = {}
    with open(path, encoding="utf-8") as f:
        for number, raw in enumerate(f, 1):
            line = raw.strip()
            if not line or line.startswith(";"):
                continue
            key, eq, value = line.partition("=")
            if not eq:
                raise SystemExit("%s line %d: no '='" % (path, number))
            key = key.strip()
            if key.lower() in values:
                raise SystemExit("%s line %d: %s given twice" % (path, number, key))
            values[key.lower()] = value.strip()
    return values


def template_lines():
    with open(TEMPLATE, encoding="ascii") as f:
        return f.read().splitlines()


def build(source_name, template):
    name = source_name[:-4]
    page = int(re.search(r"(\d+)$", name).group(1))
    values = read_source(os.path.join(SOURCES, source_name))
    used = set()
    lines = []
    # The first comment names the language; the source's first comment says it.
    with open(os.path.join(SOURCES, source_name), encoding="utf-8") as f:
        first = f.readline().rstrip("\n")
    header = first if first.startswith(";") else "; Tavolux user-interface texts, %s." % name
    for line in template:
        stripped = line.strip()
        if line.startswith("; Tavolux user-interface texts"):
            lines.append(header)
            continue
        if not stripped or stripped.startswith(";") or stripped.startswith("["):
            lines.append(line)
            continue
        key = stripped.partition("=")[0].strip()
        if key.lower() not in values:
            raise SystemExit("%s: no text for %s" % (source_name, key))
        used.add(key.lower())
        lines.append("%s=%s" % (key, values[key.lower()]))
    extra = sorted(set(values) - used)
    if extra:
        raise SystemExit("%s: keys the English file does not have: %s" % (source_name, ", ".join(extra)))
    text = "\n".join(lines) + "\n"
    data = encode(text, page, source_name)
    with open(os.path.join(OUT, name + ".ini"), "wb") as f:
        f.write(data)
    return name


def main():
    template = template_lines()
    names = sorted(n for n in os.listdir(SOURCES) if n.endswith(".txt"))
    for n in names:
        print("wrote", build(n, template) + ".ini")
    return 0


if __name__ == "__main__":
    sys.exit(main())
