#!/usr/bin/env python3
"""Checks a manual page against the program's --help.

Usage: check_man_options.py PROGRAM MANPAGE

Every option that `PROGRAM --help` lists must be described in the OPTIONS
section of the page, and every option the page describes there must be one
the program lists, so the two cannot drift apart unnoticed. A program with
commands (its --help has a "Commands:" list) counts the options that
`PROGRAM COMMAND --help` lists for each of them too.
"""
import re
import subprocess
import sys

OPTION = re.compile(r"(?<![\w-])(--?[A-Za-z?][\w-]*)")


def help_text(program, *words):
    return subprocess.run([program, *words, "--help"], check=True,
                          capture_output=True, text=True).stdout


def commands(text):
    """The commands a "Commands:" list names, one indented line each."""
    found, in_list = [], False
    for line in text.splitlines():
        if line.strip() == "Commands:":
            in_list = True
        elif in_list and line.startswith(" ") and line.strip():
            found.append(line.split()[0])
        elif in_list:
            break
    return found


def help_options(program):
    text = help_text(program)
    for command in commands(text):
        text += help_text(program, command)
    found = set()
    for line in text.splitlines():
        # An option line is indented and starts with the option; its
        # description follows after two blanks or on the next lines.
        if not line.startswith(" ") or not line.strip().startswith("-"):
            continue
        head = re.split(r"\s{2,}", line.strip(), maxsplit=1)[0]
        found.update(m.group(1) for m in OPTION.finditer(head))
    return found


def page_options(path):
    """The options mentioned in the OPTIONS section, and those it describes
    (the tag lines after .TP, without their quoted arguments)."""
    lines = open(path, encoding="utf-8").read().replace("\\-", "-").splitlines()
    mentioned, described = set(), set()
    in_options = False
    for i, line in enumerate(lines):
        if line.startswith(".SH"):
            in_options = line[3:].strip().strip('"') == "OPTIONS"
            continue
        if not in_options:
            continue
        plain = re.sub(r"\\f[BIRP]", "", line)
        mentioned.update(m.group(1) for m in OPTION.finditer(plain))
        if i > 0 and lines[i - 1].startswith(".TP"):
            tag = re.sub(r'"[^"]*"', " ", plain.split(None, 1)[1] if " " in plain else "")
            described.update(m.group(1) for m in OPTION.finditer(tag))
    return mentioned, described


def main():
    program, page = sys.argv[1], sys.argv[2]
    listed = help_options(program)
    mentioned, described = page_options(page)
    missing, stale = sorted(listed - mentioned), sorted(described - listed)
    for option in missing:
        print(f"{page}: {option} is listed by --help but not described")
    for option in stale:
        print(f"{page}: {option} is described but {program} --help does not list it")
    if not listed:
        print(f"{program} --help lists no options")
    return 1 if missing or stale or not listed else 0


if __name__ == "__main__":
    sys.exit(main())
