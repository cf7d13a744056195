#!/usr/bin/env python3
"""Writes the package's copyright file: ours, then a stand-alone paragraph
for each licence NAME with its text from another machine-readable Debian
copyright file (the icon font's licences from fonts-font-awesome, where the
build takes the font from).

    copyright.py OURS OTHER OUTPUT NAME...
"""
import os
import sys

# The build writes nothing into the source tree.
sys.dont_write_bytecode = True
sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), os.pardir, 'scripts'))
from debian_licence import licence_text  # noqa: E402


def paragraph(name, text):
    # Continuation lines start with a space; an empty line is " .".
    body = ''.join(f' {line}\n' if line.strip() else ' .\n' for line in text.rstrip('\n').split('\n'))
    return f'License: {name}\n{body}'


def main():
    ours, other, output, *names = sys.argv[1:]
    paragraphs = [open(ours, encoding='utf-8').read().rstrip('\n') + '\n']
    lines = open(other, encoding='utf-8').read().splitlines()
    for name in names:
        text = licence_text(lines, name)
        if text is None:
            sys.exit(f'copyright.py: no text of {name} in {other}')
        paragraphs.append(paragraph(name, text))
    with open(output, 'w', encoding='utf-8') as out:
        out.write('\n'.join(paragraphs))


if __name__ == '__main__':
    main()
