#!/usr/bin/env python3
"""Writes the full text of one licence from a Debian copyright file.

    debian_licence.py COPYRIGHT NAME OUTPUT

COPYRIGHT is a machine-readable Debian copyright file; its stand-alone
paragraph "License: NAME" holds the text, each line indented by a space,
with " ." for an empty line. Fails when there is none.
"""
import sys


def licence_text(lines, name):
    for start, line in enumerate(lines):
        # The stand-alone paragraph, not a "Files:" paragraph's reference.
        if line.rstrip() != 'License: ' + name or (start and lines[start - 1].strip()):
            continue
        text = []
        for body in lines[start + 1:]:
            if not body.startswith(' '):
                break
            text.append('' if body.strip() == '.' else body[1:].rstrip())
        if text:
            return '\n'.join(text) + '\n'
    return None


def main():
    copyright_file, name, output = sys.argv[1:4]
    text = licence_text(open(copyright_file, encoding='utf-8').read().splitlines(), name)
    if text is None:
        sys.exit(f'debian_licence.py: no text of {name} in {copyright_file}')
    with open(output, 'w', encoding='utf-8') as out:
        out.write(text)


if __name__ == '__main__':
    main()
