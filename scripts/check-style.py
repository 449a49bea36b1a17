#!/usr/bin/env python3
"""Checks the conventions of CONTRIBUTING.md that a compiler and clang-format do not.

    scripts/check-style.py [FILE ...]     (default: every file git tracks or would add)

The rules:
  pragma        every header starts its code with `#pragma once`
  layers        a layer includes nothing above it: platform/ nothing of ui/, nmea/, app/ or
                tools/; nmea/ and ui/ nothing of each other, app/ or tools/; app/ nothing of
                tools/
  header-name   a header of the product code (app/ nmea/ ui/ platform/ tools/) that holds a
                class is named after one of its classes without the letter (and without a
                trailing "Interface"), or in the plural after what its classes are (Frames.h
                holds CGgaFrame), or is named after its subject because it declares functions
  test-name     a test file is tests/<folder>/<Unit>Test.cpp; a fuzz target
                tests/fuzz/Fuzz<Name>.cpp
Prints one line a finding, `path:line: rule: what`, and exits 1 when there is any.
"""

import re
import subprocess
import sys

KHeaderSuffixes = (".h", ".hpp")
KSourceSuffixes = (".cpp", ".cc") + KHeaderSuffixes
KProductFolders = ("app", "nmea", "ui", "platform", "tools")

# What each layer may not include: the layers above it.
KForbiddenIncludes = {
    "platform": ("ui", "nmea", "app", "tools"),
    "nmea": ("ui", "app", "tools"),
    "ui": ("nmea", "app", "tools"),
    "app": ("tools",),
}

# The fuzz targets' own files that are not targets.
KFuzzSupportFiles = ("StandaloneMain.cpp",)

KInclude = re.compile(r'^\s*#\s*include\s*"([^"]+)"')
# A class or interface defined at file scope (clang-format puts members at an indent).
KClassDefinition = re.compile(r"^(?:class|struct)\s+([CM][A-Z]\w*)\b(?:\s+final)?\s*(?::[^;]*)?\{?\s*$")
# A function declared or defined at file scope: a return type, then Name(.
KFunction = re.compile(r"^(?:inline\s+|static\s+|\[\[\w+\]\]\s+)*[A-Za-z_][\w:<>,*& ]*[\s*&]"
                       r"[A-Za-z_]\w*\(")
KNotFunction = re.compile(r"^(?:class|struct|enum|union|using|typedef|template|namespace|return)\b")


def Folder(aPath):
    return aPath.split("/", 1)[0] if "/" in aPath else ""


def CodeLines(aText):
    """The lines with comments blanked, so that a commented-out line counts for nothing."""
    text = re.sub(r"/\*.*?\*/", lambda m: "\n" * m.group(0).count("\n"), aText, flags=re.S)
    return [re.sub(r"//.*", "", line) for line in text.split("\n")]


def CheckPragma(aPath, aLines, aFindings):
    for number, line in enumerate(aLines, 1):
        if line.strip():
            if line.strip() != "#pragma once":
                aFindings.append(f"{aPath}:{number}: pragma: the header's code does not start "
                                 "with #pragma once")
            return
    aFindings.append(f"{aPath}:1: pragma: the header holds no #pragma once")


def CheckLayers(aPath, aLines, aFindings):
    forbidden = KForbiddenIncludes.get(Folder(aPath), ())
    for number, line in enumerate(aLines, 1):
        match = KInclude.match(line)
        if match and Folder(match.group(1)) in forbidden:
            aFindings.append(f"{aPath}:{number}: layers: {Folder(aPath)}/ includes "
                             f"{match.group(1)}, a layer it may not use")


def ClassStem(aName):
    stem = aName[1:]
    return stem[: -len("Interface")] if stem.endswith("Interface") and len(stem) > 9 else stem


def CheckHeaderName(aPath, aLines, aFindings):
    if Folder(aPath) not in KProductFolders:
        return
    stem = aPath.rsplit("/", 1)[-1].rsplit(".", 1)[0]
    classes = []
    for number, line in enumerate(aLines, 1):
        match = KClassDefinition.match(line)
        if match:
            classes.append((number, match.group(1)))
        elif KFunction.match(line) and not KNotFunction.match(line):
            return  # a header of functions and what they take, named after its subject
    if not classes:
        return
    if any(ClassStem(name) == stem for _, name in classes):
        return
    if stem.endswith("s") and any(name.endswith(stem[:-1]) for _, name in classes):
        return
    names = ", ".join(name for _, name in classes)
    aFindings.append(f"{aPath}:{classes[0][0]}: header-name: {stem}.h holds {names}: name it "
                     "after its class")


def CheckTestName(aPath, aFindings):
    parts = aPath.split("/")
    if parts[0] != "tests" or len(parts) != 3 or not aPath.endswith(".cpp"):
        return
    name = parts[2]
    if parts[1] == "fuzz":
        if not re.fullmatch(r"Fuzz[A-Z]\w*\.cpp", name) and name not in KFuzzSupportFiles:
            aFindings.append(f"{aPath}:1: test-name: a fuzz target is Fuzz<Name>.cpp")
    elif not re.fullmatch(r"[A-Z]\w*Test\.cpp", name):
        aFindings.append(f"{aPath}:1: test-name: a test file is <Unit>Test.cpp")


def TrackedFiles():
    result = subprocess.run(["git", "ls-files", "--cached", "--others", "--exclude-standard"], stdout=subprocess.PIPE, check=True, text=True)
    return result.stdout.splitlines()


def main(aArguments):
    files = aArguments or TrackedFiles()
    findings = []
    checked = 0
    for path in files:
        CheckTestName(path, findings)
        if not path.endswith(KSourceSuffixes):
            continue
        try:
            with open(path, encoding="utf-8") as source:
                lines = CodeLines(source.read())
        except (OSError, UnicodeDecodeError) as error:
            findings.append(f"{path}:1: read: {error}")
            continue
        checked += 1
        CheckLayers(path, lines, findings)
        if path.endswith(KHeaderSuffixes):
            CheckPragma(path, lines, findings)
            CheckHeaderName(path, lines, findings)
    for finding in findings:
        print(finding)
    if findings:
        print(f"style: {len(findings)} findings in {checked} files")
        return 1
    print(f"style: {checked} files follow the conventions")
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
