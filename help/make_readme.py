#!/usr/bin/env python3
"""Writes ReadMe.txt, the short guide that ships beside Scrivtree.exe, from ReadMe.in and the
help pages, so that where the two say the same thing they say it from one text.

    make_readme.py VERSION HELP_FOLDER OUTPUT

ReadMe.in is plain text in blocks separated by empty lines:

    # Title               a title, underlined with '='
    ## Heading            a heading, underlined with '-'
    {{page.html#id}}      the element of that help page with that id, as text; for a heading,
                          everything after it up to the next heading of its level, less the
                          "see also" links to other pages
    lines indented by two spaces are kept as they are
    any other block is a paragraph, wrapped anew

@SCRIVTREE_VERSION@ stands for the version, in ReadMe.in and in the pages alike. The output is
ASCII with CR LF line ends, as Notepad on any Windows shows it; a character that has no ASCII
form here fails the build rather than reach the user as a wrong letter.

Standard library only.
"""

import html.parser
import os
import re
import sys
import textwrap

WIDTH = 78
PLACEHOLDER = "@SCRIVTREE_VERSION@"
# What the pages' entities become. A no-break space stays one until the text is wrapped.
ASCII_FORMS = {"\u2026": "...", "\u00b7": "-", "\u2192": "->", "\u2013": "-", "\u2014": "--"}
NO_BREAK = "\u00a0"
VOID_TAGS = {"br", "hr", "img", "input", "link", "meta"}
HEADINGS = ("h1", "h2", "h3")


class Element:
    def __init__(self, tag, attributes, parent):
        self.tag = tag
        self.id = dict(attributes).get("id")
        self.href = dict(attributes).get("href")
        self.classes = (dict(attributes).get("class") or "").split()
        self.parent = parent
        self.children = []  # Elements and strings


class PageParser(html.parser.HTMLParser):
    def __init__(self):
        super().__init__(convert_charrefs=True)
        self.root = Element("#root", [], None)
        self.current = self.root

    def handle_starttag(self, tag, attributes):
        element = Element(tag, attributes, self.current)
        self.current.children.append(element)
        if tag not in VOID_TAGS:
            self.current = element

    def handle_startendtag(self, tag, attributes):
        self.current.children.append(Element(tag, attributes, self.current))

    def handle_endtag(self, tag):
        if tag in VOID_TAGS:
            return
        if self.current.tag != tag:
            raise ValueError(f"</{tag}> closes <{self.current.tag}> at line {self.getpos()[0]}")
        self.current = self.current.parent

    def handle_data(self, data):
        self.current.children.append(data)


def find(element, wanted):
    if isinstance(element, str):
        return None
    if element.id == wanted:
        return element
    for child in element.children:
        found = find(child, wanted)
        if found is not None:
            return found
    return None


def inline_text(element, page):
    """The text of an element as one line: blanks squeezed, a link to another page marked as
    being in the help."""
    if isinstance(element, str):
        return element
    text = "".join(inline_text(child, page) for child in element.children)
    if element.tag == "a" and element.href and not element.href.startswith(("#", page)):
        if not element.href.startswith(("http:", "https:", "mailto:")):
            text += " in the help"
    return text


def squeeze(text):
    return re.sub(r"[ \t\r\n]+", " ", text).strip()


def wrap(text, indent="", first_indent=None):
    lines = textwrap.wrap(
        squeeze(text),
        WIDTH,
        initial_indent=indent if first_indent is None else first_indent,
        subsequent_indent=indent,
        break_on_hyphens=False,
        break_long_words=False,
    )
    return [line.replace(NO_BREAK, " ") for line in lines]


def table_lines(table, page):
    """Each row as its first cell, then the second beside it, then every other cell on a line
    of its own after its column's heading: a table of any width fits 78 columns."""
    rows = [row for row in elements_of(table) if row.tag == "tr"]
    cells = [[squeeze(inline_text(cell, page)) for cell in elements_of(row)] for row in rows]
    heading, body = cells[0], cells[1:]
    term_width = max(len(row[0]) for row in body) + 3
    indent = " " * (2 + term_width)
    lines = []
    for row in body:
        term = "  " + row[0].replace(NO_BREAK, " ")
        lines += wrap(row[1], indent, term.ljust(len(indent)))
        for title, cell in zip(heading[2:], row[2:]):
            lines += wrap(f"{title}: {cell}", indent)
    return lines


def elements_of(element):
    return [child for child in element.children if not isinstance(child, str)]


def block_lines(element, page):
    """An element as lines of text; None for what is not a block."""
    if element.tag == "p":
        return wrap(inline_text(element, page))
    if element.tag in ("ul", "ol"):
        lines = []
        for number, item in enumerate(elements_of(element), 1):
            mark = "- " if element.tag == "ul" else f"{number}. "
            lines += wrap(inline_text(item, page), " " * len(mark), mark)
        return lines
    if element.tag == "pre":
        text = inline_text(element, page).replace(NO_BREAK, " ").strip("\r\n")
        return ["  " + line for line in text.split("\n")]
    if element.tag == "table":
        return table_lines(element, page)
    if element.tag == "dl":
        lines = []
        for child in elements_of(element):
            indent = "" if child.tag == "dt" else "    "
            lines += wrap(inline_text(child, page), indent)
        return lines
    return None


def section_blocks(element, page):
    """The blocks of an element: a heading's are those that follow it up to the next heading
    of its level or higher."""
    if element.tag not in HEADINGS:
        lines = block_lines(element, page)
        if lines is None:
            raise ValueError(f"{page}#{element.id} is a <{element.tag}>, which has no text form")
        return [lines]
    siblings = element.parent.children
    blocks = []
    for sibling in siblings[siblings.index(element) + 1 :]:
        if isinstance(sibling, str):
            if sibling.strip():
                raise ValueError(f"{page}#{element.id}: text outside a block: {sibling.strip()}")
            continue
        if sibling.tag in HEADINGS:
            if HEADINGS.index(sibling.tag) <= HEADINGS.index(element.tag):
                break
            title = squeeze(inline_text(sibling, page))
            blocks.append([title, "-" * len(title)])
        elif "see" not in sibling.classes:
            lines = block_lines(sibling, page)
            if lines is None:
                raise ValueError(f"{page}#{element.id}: a <{sibling.tag}> has no text form")
            blocks.append(lines)
    return blocks


def load_page(folder, name, version, pages):
    if name not in pages:
        with open(os.path.join(folder, name), encoding="utf-8") as source:
            parser = PageParser()
            parser.feed(source.read().replace(PLACEHOLDER, version))
            parser.close()
        pages[name] = parser.root
    return pages[name]


def readme_blocks(template, folder, version):
    pages = {}
    blocks = []
    for block in re.split(r"\n[ \t]*\n", template.replace(PLACEHOLDER, version).strip("\n")):
        reference = re.fullmatch(r"\{\{([\w.-]+)#([\w-]+)\}\}", block.strip())
        if reference:
            page, wanted = reference.groups()
            element = find(load_page(folder, page, version, pages), wanted)
            if element is None:
                raise ValueError(f"{page} has no element with the id {wanted}")
            blocks += section_blocks(element, page)
        elif block.startswith("## "):
            blocks.append([block[3:].strip(), "-" * len(block[3:].strip())])
        elif block.startswith("# "):
            blocks.append([block[2:].strip(), "=" * len(block[2:].strip())])
        elif block.startswith("  "):
            blocks.append(block.split("\n"))
        else:
            blocks.append(wrap(block))
    return blocks


def ascii_text(text):
    for character, form in ASCII_FORMS.items():
        text = text.replace(character, form)
    for number, line in enumerate(text.split("\n"), 1):
        for character in line:
            if ord(character) > 126 or (ord(character) < 32 and character != "\r"):
                raise ValueError(f"ReadMe.txt line {number} holds {character!r}: {line}")
    return text


def main():
    if len(sys.argv) != 4:
        sys.exit("usage: make_readme.py VERSION HELP_FOLDER OUTPUT")
    version, folder, output = sys.argv[1:]
    with open(os.path.join(folder, "ReadMe.in"), encoding="ascii") as source:
        template = source.read()
    try:
        blocks = readme_blocks(template, folder, version)
        text = ascii_text("\n\n".join("\n".join(line.rstrip() for line in b) for b in blocks))
    except (OSError, ValueError) as error:
        sys.exit(f"make_readme.py: {error}")
    if re.search(r"@[A-Z_]+@", text):
        sys.exit("make_readme.py: a placeholder is left: " + re.search(r"@[A-Z_]+@", text)[0])
    with open(output, "wb") as out:
        out.write((text + "\n").replace("\n", "\r\n").encode("ascii"))


if __name__ == "__main__":
    main()
