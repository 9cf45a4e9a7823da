#!/usr/bin/env python3
"""Fails when a function of the program's own is named in another case than the rest.

Functions are named in camelCase and types in PascalCase. A few functions keep the PascalCase
names the program's documents give them (the disk layer's operations, the viewer's GoToSector,
the two online requests) and the system's own entry point; those are listed here and nothing
else may join them unnoticed.
"""
import pathlib
import re
import sys

DOCUMENTED_NAMES = {
    "ApplySectorMask", "BuildDiskInventory", "CanHideDisk", "CanRestoreDisk", "ClosePhysicalDisk",
    "GoToSector", "HideDisk", "IdentifyDisk", "MatchPartitions", "OpenPhysicalDisk", "ProbeDisk",
    "ReadSectors", "RestoreDisk", "ScanLogicalDrives", "SeekToByte", "SeekToLba",
    "SendConsultationRequest", "SendOrderRequest", "WriteSectors",
    "WinMain",  # the entry point Windows calls
}

# A declaration or definition at the start of a line: a return type, then the (qualified) name
# and its opening parenthesis.
FUNCTION = re.compile(r"^(?!return\b|else\b|case\b|using\b|typedef\b|#)[A-Za-z_][\w:<>,*& ]*?[\s*&]((?:\w+::)*)(\w+)\(")
TYPE = re.compile(r"\b(?:struct|class|enum class|enum|using)\s+(\w+)")


def main(root: pathlib.Path) -> int:
    files = sorted(p for p in (root / "src").rglob("*") if p.suffix in (".h", ".cpp"))
    texts = {p: p.read_text(encoding="utf-8", errors="replace") for p in files}
    types = {name for text in texts.values() for name in TYPE.findall(text)}
    problems = []
    for path, text in texts.items():
        for number, line in enumerate(text.splitlines(), 1):
            match = FUNCTION.match(line)
            if not match:
                continue
            qualifier, name = match.group(1), match.group(2)
            if name in types or name.isupper() or qualifier.endswith(name + "::"):
                continue  # a type, a macro or a constructor
            wrong = "_" in name.strip("_") or (name[0].isupper() and name not in DOCUMENTED_NAMES)
            if wrong:
                problems.append(f"{path.relative_to(root)}:{number}: {name}")
    for problem in problems:
        print(f"function not in camelCase: {problem}")
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main(pathlib.Path(sys.argv[1] if len(sys.argv) > 1 else ".")))
