#!/usr/bin/env python3
"""Runs clang-tidy over the product code of a configured build, warnings as errors.

    scripts/run-clang-tidy.py [--jobs N] [BUILD_DIR]     (default: build, 2 jobs)

The files are those of BUILD_DIR/compile_commands.json under app/, nmea/, ui/, platform/ and
tools/ (tests and benchmarks are left out); the checks are the repository's .clang-tidy.

A file that passed is remembered in BUILD_DIR/clang-tidy-passed/ under a hash of its
preprocessed text (comments kept, so NOLINT counts), its compile command, .clang-tidy and the
clang-tidy version: the next run checks again only what changed, itself or through a header.
Exits 1 if any file has a warning or cannot be checked.
"""

import argparse
import concurrent.futures
import hashlib
import json
import os
import shlex
import subprocess
import sys

KProductFolders = ("app/", "nmea/", "ui/", "platform/", "tools/")


def Preprocessed(aEntry):
    """The file's preprocessed text with comments, or None when the compiler fails."""
    words = aEntry.get("arguments") or shlex.split(aEntry["command"])
    command = []
    skip = False
    for word in words:
        if skip:
            skip = False
            continue
        if word == "-o":
            skip = True
            continue
        if word == "-c" or word.startswith("-o"):
            continue
        command.append(word)
    command += ["-E", "-C", "-o", "-"]
    result = subprocess.run(command, cwd=aEntry["directory"], stdout=subprocess.PIPE,
                            stderr=subprocess.DEVNULL, check=False)
    return result.stdout if result.returncode == 0 else None


def Key(aEntry, aCommon):
    text = Preprocessed(aEntry)
    if text is None:
        return None
    digest = hashlib.sha256(aCommon)
    digest.update(json.dumps(aEntry, sort_keys=True).encode())
    digest.update(text)
    return digest.hexdigest()


def Check(aFile, aBuild, aEntry, aCommon, aPassed):
    key = Key(aEntry, aCommon)
    stamp = os.path.join(aPassed, key) if key else None
    if stamp and os.path.exists(stamp):
        return aFile, True, "", True
    result = subprocess.run(["clang-tidy", "-p", aBuild, "--quiet", "--warnings-as-errors=*",
                             aFile], stdout=subprocess.PIPE, stderr=subprocess.PIPE, check=False)
    # stderr holds only "N warnings generated." lines for the system headers; the findings are
    # on stdout.
    output = result.stdout.decode(errors="replace")
    if result.returncode != 0 and not output.strip():
        output = result.stderr.decode(errors="replace")
    passed = result.returncode == 0
    if passed and stamp:
        with open(stamp, "w", encoding="utf-8"):
            pass
    return aFile, passed, output, False


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("build", nargs="?", default="build")
    parser.add_argument("--jobs", type=int, default=int(os.environ.get("JOBS", "2")))
    arguments = parser.parse_args()

    source = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
    build = os.path.abspath(arguments.build)
    with open(os.path.join(build, "compile_commands.json"), encoding="utf-8") as database:
        entries = json.load(database)
    files = {}
    for entry in entries:
        path = os.path.normpath(os.path.join(entry["directory"], entry["file"]))
        relative = os.path.relpath(path, source)
        if relative.startswith(KProductFolders):
            files[relative] = entry
    if not files:
        print("clang-tidy: no product file in " + build + "/compile_commands.json")
        return 1

    version = subprocess.run(["clang-tidy", "--version"], stdout=subprocess.PIPE,
                             check=True).stdout
    with open(os.path.join(source, ".clang-tidy"), "rb") as config:
        common = version + config.read()
    passed = os.path.join(build, "clang-tidy-passed")
    os.makedirs(passed, exist_ok=True)

    failed = []
    remembered = 0
    with concurrent.futures.ThreadPoolExecutor(max_workers=max(1, arguments.jobs)) as pool:
        futures = [pool.submit(Check, os.path.join(source, name), build, entry, common, passed)
                   for name, entry in sorted(files.items())]
        for future in concurrent.futures.as_completed(futures):
            path, ok, output, cached = future.result()
            remembered += cached
            if not ok:
                failed.append(os.path.relpath(path, source))
                sys.stdout.write(output)
                sys.stdout.flush()
    checked = len(files) - remembered
    print(f"clang-tidy: {len(files)} files, {checked} checked, {remembered} unchanged since "
          f"they passed, {len(failed)} with findings")
    for name in sorted(failed):
        print("  " + name)
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main())
