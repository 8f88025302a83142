#!/usr/bin/env python3
"""Writes UpperCaseTable.h beside this script: Unicode's upper-case mappings.

The mappings are the simple ones of UnicodeData.txt, overridden by the
unconditional full ones of SpecialCasing.txt (no language or context
conditions), which is how the window side's Qt upper-cases text; the
dictionary's key comparison must agree with it. Both files come from
Debian's unicode-data package (apt-get install unicode-data), or from the
folder given as the only argument. The table is committed, so that neither
build needs the package or Python; run this again after a Unicode update,
and the oracle test in tests/i18n says whether Qt still agrees.
"""
import os
import re
import sys

OUTPUT = os.path.join(os.path.dirname(os.path.abspath(__file__)), "UpperCaseTable.h")


def read_lines(path):
    with open(path, encoding="utf-8") as file:
        for line in file:
            line = line.split("#", 1)[0].strip()
            if line:
                yield [field.strip() for field in line.split(";")]


def unicode_version(folder):
    with open(os.path.join(folder, "ReadMe.txt"), encoding="utf-8") as file:
        found = re.search(r"Version (\d+\.\d+\.\d+) of the Unicode Standard", file.read())
    if not found:
        sys.exit("no Unicode version in ReadMe.txt")
    return found.group(1)


def mappings(folder):
    simple = {}
    for fields in read_lines(os.path.join(folder, "UnicodeData.txt")):
        if fields[12]:
            simple[int(fields[0], 16)] = int(fields[12], 16)
    full = {}
    for fields in read_lines(os.path.join(folder, "SpecialCasing.txt")):
        # A fifth field names a language or a context: Qt applies neither.
        if len(fields) > 4 and fields[4]:
            continue
        code_point = int(fields[0], 16)
        upper = [int(unit, 16) for unit in fields[3].split()]
        if upper != [code_point]:
            full[code_point] = upper
    for code_point, upper in full.items():
        if len(upper) == 1:
            simple[code_point] = upper[0]
    full = {cp: upper for cp, upper in full.items() if len(upper) > 1}
    for code_point in full:
        simple.pop(code_point, None)
    return simple, full


def runs(simple):
    """Mappings as (first, last, step, delta): every step-th code point from
    first to last maps to itself plus delta. Case pairs come in blocks that
    are either contiguous or alternate upper and lower, so this is compact."""
    result = []
    for code_point in sorted(simple):
        delta = simple[code_point] - code_point
        if result:
            first, last, step, run_delta = result[-1]
            gap = code_point - last
            if run_delta == delta and (gap == step or (first == last and gap in (1, 2))):
                result[-1] = (first, code_point, gap, delta)
                continue
        result.append((code_point, code_point, 1, delta))
    return result


def main():
    folder = sys.argv[1] if len(sys.argv) > 1 else "/usr/share/unicode"
    simple, full = mappings(folder)
    longest = max(len(upper) for upper in full.values())
    lines = [
        "// Unicode %s's upper-case mappings, written by make_upper_case_table.py"
        % unicode_version(folder),
        "// from UnicodeData.txt and SpecialCasing.txt; not edited by hand.",
        "#pragma once",
        "",
        "#include <cstdint>",
        "",
        "namespace vantrel::unicode_tables {",
        "",
        "// Every Step-th code point from First to Last maps to itself plus Delta.",
        "struct TUpperRun {",
        "    char32_t First;",
        "    char32_t Last;",
        "    std::uint8_t Step;",
        "    std::int32_t Delta;",
        "};",
        "",
        "// A code point whose upper case is more than one code point; unused",
        "// places are zero.",
        "struct TUpperExpansion {",
        "    char32_t CodePoint;",
        "    char32_t Upper[%d];" % longest,
        "};",
        "",
        "// One entry a line, as written.",
        "// clang-format off",
        "inline constexpr TUpperRun kUpperRuns[] = {",
    ]
    for first, last, step, delta in runs(simple):
        lines.append("    {0x%04X, 0x%04X, %d, %d}," % (first, last, step, delta))
    lines += ["};", "", "inline constexpr TUpperExpansion kUpperExpansions[] = {"]
    for code_point in sorted(full):
        upper = full[code_point] + [0] * (longest - len(full[code_point]))
        lines.append(
            "    {0x%04X, {%s}}," % (code_point, ", ".join("0x%04X" % unit for unit in upper))
        )
    lines += ["};", "// clang-format on", "", "}  // namespace vantrel::unicode_tables", ""]
    with open(OUTPUT, "w", encoding="utf-8") as file:
        file.write("\n".join(lines))


if __name__ == "__main__":
    main()
