#!/usr/bin/env python3
# SPDX-License-Identifier: GPL-3.0-or-later
"""Checks a translation catalog against the sources it is made from.

check_translations.py LUPDATE TS SOURCE...

Runs lupdate over the sources into a copy of TS, so a text added to the code
without its translation is found even before anyone refreshed the .ts file,
then fails on every text that is unfinished, vanished, obsolete or empty,
and on translations whose placeholders or mnemonics differ from the source.
"""
import re
import shutil
import subprocess
import sys
import tempfile
import xml.etree.ElementTree as ET
from pathlib import Path

PRINTF = re.compile(r"%[-+ #0]*\d*(?:\.\d+)?(?:l|ll|h)?[sdiuxXfcp%]")
NUMBERED = re.compile(r"%(\d+|n)")


def text_of(element):
    """The text of an element with lupdate's <byte value="xd"/> resolved."""
    if element is None:
        return ""
    parts = [element.text or ""]
    for child in element:
        if child.tag == "byte":
            parts.append(chr(int(child.get("value")[1:], 16)))
        parts.append(child.tail or "")
    return "".join(parts)


def mnemonic(text):
    match = re.search(r"&([^&\s])", text.replace("&&", ""))
    return match is not None


def problems_in(path):
    tree = ET.parse(path)
    count = 0
    problems = []
    for context in tree.getroot().iter("context"):
        name = context.findtext("name")
        for message in context.iter("message"):
            count += 1
            source = text_of(message.find("source"))
            translation = message.find("translation")
            where = f"{name}: {source!r}"
            kind = translation.get("type") if translation is not None else "missing"
            if kind in ("unfinished", "vanished", "obsolete", "missing"):
                problems.append(f"{kind}: {where}")
                continue
            forms = [text_of(f) for f in translation.iter("numerusform")]
            if not forms:
                forms = [text_of(translation)]
            for form in forms:
                if not form:
                    problems.append(f"empty: {where}")
                elif PRINTF.findall(form) != PRINTF.findall(source):
                    problems.append(f"printf placeholders differ: {where} -> {form!r}")
                elif set(NUMBERED.findall(form)) - {"n"} != set(NUMBERED.findall(source)) - {"n"}:
                    problems.append(f"placeholders differ: {where} -> {form!r}")
                elif mnemonic(source) != mnemonic(form):
                    problems.append(f"mnemonic differs: {where} -> {form!r}")
    return count, problems


def main():
    lupdate, ts, sources = sys.argv[1], Path(sys.argv[2]), sys.argv[3:]
    with tempfile.TemporaryDirectory() as folder:
        copy = Path(folder) / ts.name
        shutil.copy(ts, copy)
        # The includes are found from src/, as the compiler finds them: a
        # class's tr() context then carries its namespace (tarcfg::MainWindow).
        include = Path(__file__).resolve().parents[2] / "src"
        subprocess.run([lupdate, "-silent", "-locations", "none", "-no-obsolete", "-extensions",
                        "cpp,h,inc", "-I", str(include), *sources, "-ts", str(copy)],
                       check=True)
        count, problems = problems_in(copy)
    for problem in problems:
        print(f"{ts.name}: {problem}")
    if count == 0:
        print(f"{ts.name}: no texts at all: are the sources marked for translation?")
        return 1
    print(f"{ts.name}: {count} texts, {len(problems)} problems")
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main())
