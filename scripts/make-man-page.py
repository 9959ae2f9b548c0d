#!/usr/bin/env python3
"""Writes a program's manual page (roff, gzip-compressed) from its --help
text, so the page says what the program says:

  make-man-page.py PROGRAM NAME SUMMARY OUT.1.gz [SEE-ALSO...]

The --help texts share one layout, which maps onto the page's sections:
"usage:" lines and their indented continuations make the SYNOPSIS; a
paragraph ending in ":" ("Options:") heads a list whose items start two
spaces in, or a paragraph whose first word stands apart ("snapshot  Draws
...") is an item of its own; a paragraph starting "Exit status:" is the EXIT
STATUS; every other paragraph is DESCRIPTION."""
import gzip
import re
import subprocess
import sys

ITEM = re.compile(r"^(\s{0,2})(\S(?:\S| (?! ))*)(?:\s{2,}(.*))?$")


def roff(text):
    text = text.replace("\\", "\\e").replace("-", "\\-")
    return "\\&" + text if text[:1] in (".", "'") else text


def paragraphs(text):
    block = []
    for line in text.splitlines():
        if line.strip():
            block.append(line.rstrip())
        elif block:
            yield block
            block = []
    if block:
        yield block


def synopsis(block):
    """Each usage form on a line of its own: bold program, plain arguments."""
    forms = []
    for line in block:
        line = line.removeprefix("usage:")
        if forms and line.startswith(" " * (len(forms[-1][0]) + 2)):
            forms[-1][1] += " " + line.strip()
        else:
            program, _, arguments = line.strip().partition(" ")
            forms.append([program, arguments])
    return [f".B {roff(program)}\n{roff(arguments)}\n.br" for program, arguments in forms]


def indent(line):
    return len(line) - len(line.lstrip())


def items(lines):
    """A list of items: a tag two spaces in (or at the margin), its text
    beside it or on the deeper-indented lines below. Lines indented past the
    text's column list values of their own ("default   the system's..."),
    each on a line of its own."""
    out = []
    for line in lines:
        match = ITEM.match(line)
        if match and indent(line) <= 2:
            text = match.group(3)
            column = line.index(text) if text else None
            out.append({"tag": match.group(2), "lines": [text or ""], "column": column, "value": None})
            continue
        if not out:
            continue
        item = out[-1]
        if item["column"] is None:
            item["column"] = indent(line)
        if indent(line) > item["column"] and (item["value"] is None or indent(line) <= item["value"]):
            item["value"] = indent(line)
            item["lines"].append(line.strip())
        else:
            item["lines"][-1] += " " + line.strip()
    return [f".TP\n.B {roff(item['tag'])}\n" + "\n.br\n".join(roff(text.strip()) for text in item["lines"] if text)
            for item in out]


def page(program, name, summary, help_text, see_also):
    sections = {"SYNOPSIS": [], "DESCRIPTION": [], "OPTIONS": [], "EXIT STATUS": []}
    for block in paragraphs(help_text):
        first = block[0]
        if first.startswith("usage:"):
            sections["SYNOPSIS"] += synopsis(block)
        elif first.endswith(":") and len(block) > 1:
            heading = first[:-1].upper()
            target = "OPTIONS" if heading == "OPTIONS" else "DESCRIPTION"
            if target != "OPTIONS":
                sections[target].append(f".SS {roff(first[:-1])}")
            sections[target] += items(block[1:])
        elif first.startswith("Exit status:"):
            sections["EXIT STATUS"].append(roff(" ".join(l.strip() for l in block).removeprefix("Exit status: ")))
        elif re.match(r"^\S+\s{2,}\S", first) and len(block) > 1 and block[1].startswith(" "):
            sections["DESCRIPTION"] += items(block)
        else:
            sections["DESCRIPTION"].append(".PP\n" + roff(" ".join(l.strip() for l in block)))
    lines = [f'.TH {name.upper()} 1 "" "Vantry" "User Commands"', ".SH NAME", f"{roff(name)} \\- {roff(summary)}"]
    for heading, body in sections.items():
        if body:
            lines += [f".SH {heading}", *body]
    if see_also:
        lines += [".SH SEE ALSO", ",\n".join(f".BR {roff(other)} (1)" for other in see_also)]
    return "\n".join(lines) + "\n"


def main():
    if len(sys.argv) < 5:
        sys.exit(__doc__)
    program, name, summary, out, *see_also = sys.argv[1:]
    help_text = subprocess.run([program, "--help"], check=True, capture_output=True, text=True).stdout
    with open(out, "wb") as file, gzip.GzipFile(fileobj=file, mode="wb", mtime=0, filename="") as packed:
        packed.write(page(program, name, summary, help_text, see_also).encode())


if __name__ == "__main__":
    main()
