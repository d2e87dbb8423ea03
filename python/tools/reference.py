#!/usr/bin/env python3
"""Writes the reference tables of the Python module from vek's headers.

Two tables come out of one pass over the public headers:
- the docstrings: the comment block written above a class or a member in its
  header becomes the docstring of that class or member in Python, so the
  module documents itself with the words of the C++ code;
- the public enums (``namespace Name { enum Value : ... { A = 1, ... }; }``):
  their member names, paired with the enumerators themselves so that the
  values come from the compiler, not from this script.

Usage: reference.py OUTPUT.cpp HEADER...
"""
import re
import sys

CLASS = re.compile(r"^\s*(?:class|struct)\s+(\w+)\b[^;]*\{")
ENUM = re.compile(r"namespace\s+(\w+)\s*\{\s*enum\s+Value\s*:\s*\w+\s*\{(.*?)\};\s*\}", re.S)
MEMBER = re.compile(r"(?:^|[\s*&:>])(~?\w+)\s*\(")
FIELD = re.compile(r"(\w+)\s*(?:=[^;]*)?;\s*$")
SECTION = re.compile(r"^-{2,}.*-{2,}$")
KEYWORDS = {"if", "for", "while", "return", "switch", "sizeof", "decltype", "static_assert", "requires"}
# Places of start-up are motion's own business, not the host's.
INTERNAL_ENUMS = {"StartUpPlace", "DatabasePlace"}


def members(header):
    """(key, docstring) for every commented class and member of a header."""
    stack = []  # (class name, brace depth of its body)
    depth = 0
    comment = []
    for raw in open(header, encoding="utf-8"):
        line = raw.strip()
        if line.startswith("//"):
            text = line[2:]
            text = text[1:] if text.startswith(" ") else text
            if not SECTION.match(text.strip()):
                comment.append(text)
            continue
        if not line:
            comment = []
            continue
        cls = CLASS.match(line)
        if cls:
            name = ".".join([s[0] for s in stack] + [cls.group(1)])
            if comment:
                yield name, comment
            stack.append((cls.group(1), depth + 1))
        elif comment and stack and depth == stack[-1][1] and not line.startswith(("public", "private", "protected")):
            code = line.split("//")[0]
            found = MEMBER.search(code)
            member = found.group(1) if found and found.group(1) not in KEYWORDS else None
            if member is None and "(" not in code:
                field = FIELD.search(code)
                member = field.group(1) if field else None
            if member:
                yield ".".join(s[0] for s in stack) + "." + member, comment
        comment = []
        depth += line.split("//")[0].count("{") - line.split("//")[0].count("}")
        while stack and depth < stack[-1][1]:
            stack.pop()


def enums(header):
    text = open(header, encoding="utf-8").read()
    text = re.sub(r"//[^\n]*", "", text)
    for name, body in ENUM.findall(text):
        if name in INTERNAL_ENUMS:
            continue
        names = [item.split("=")[0].strip() for item in body.split(",")]
        yield name, [n for n in names if n]


def literal(text):
    return '"' + text.replace("\\", "\\\\").replace('"', '\\"').replace("\n", "\\n") + '"'


def main():
    out, headers = sys.argv[1], sorted(sys.argv[2:])
    docs = {}
    tables = []
    includes = []
    for header in headers:
        for key, lines in members(header):
            docs.setdefault(key, "\n".join(lines).strip())
        found = list(enums(header))
        if found:
            includes.append(header)
            tables.extend(found)
    with open(out, "w", encoding="utf-8") as f:
        f.write("// Written by python/tools/reference.py from the headers of vek. Do not edit.\n")
        f.write('#include "Reference.h"\n\n')
        for header in includes:
            f.write('#include "%s"\n' % header)
        f.write("\n#include <algorithm>\n#include <iterator>\n\nnamespace vekpy {\n\n")
        f.write("const std::vector<EnumTable>& enumTables() {\n    static const std::vector<EnumTable> tables = {\n")
        for name, names in tables:
            items = ", ".join("{%s, static_cast<long long>(vek::%s::%s)}" % (literal(n), name, n) for n in names)
            f.write("        {%s, {%s}},\n" % (literal(name), items))
        f.write("    };\n    return tables;\n}\n\n")
        f.write("namespace {\nstruct Doc {\n    std::string_view key;\n    const char* text;\n};\n")
        f.write("const Doc docs[] = {\n")
        for key in sorted(docs):
            f.write("    {%s, %s},\n" % (literal(key), literal(docs[key])))
        f.write("};\n}  // namespace\n\n")
        f.write("const char* doc(std::string_view key) {\n"
                "    const auto found = std::lower_bound(std::begin(docs), std::end(docs), key,\n"
                "                                        [](const Doc& d, std::string_view k) { return d.key < k; });\n"
                "    return found != std::end(docs) && found->key == key ? found->text : \"\";\n}\n\n")
        f.write("}  // namespace vekpy\n")


if __name__ == "__main__":
    main()
