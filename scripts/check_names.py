#!/usr/bin/env python3
"""Runs clang-tidy's naming and braces checks (.clang-tidy) on every C++ file of a build.

The names listed in docs/design-names.md are the only exceptions; they are added to every naming
kind of .clang-tidy here, so that the list lives in one place. Needs a build made with
CMAKE_EXPORT_COMPILE_COMMANDS=ON (the generated sources must exist).
Usage: python3 scripts/check_names.py BUILD_DIR [FILE...]   (FILE... : only these sources)
"""
import concurrent.futures
import json
import os
import re
import subprocess
import sys
import tempfile

ROOT = os.path.normpath(os.path.join(os.path.dirname(os.path.abspath(__file__)), ".."))


def exempt_names():
    names = []
    in_item = False
    with open(os.path.join(ROOT, "docs", "design-names.md"), encoding="utf-8") as text:
        for line in text:
            if line.startswith("- "):
                in_item = True
            elif not line.startswith("  "):
                in_item = False
            if in_item:
                names += re.findall(r"`([A-Za-z_][A-Za-z0-9_]*)`", line)
    return names


def config_with_exceptions():
    with open(os.path.join(ROOT, ".clang-tidy"), encoding="utf-8") as text:
        config = text.read()
    pattern = "^(" + "|".join(sorted(set(exempt_names()))) + ")$"
    kinds = re.findall(r"readability-identifier-naming\.(\w+)Case\b", config)
    extra = "".join(
        f"  - {{ key: readability-identifier-naming.{kind}IgnoredRegexp, value: '{pattern}' }}\n"
        for kind in kinds
    )
    return config.rstrip("\n") + "\n" + extra


def own_sources(build):
    with open(os.path.join(build, "compile_commands.json"), encoding="utf-8") as text:
        entries = json.load(text)
    return sorted(
        {
            entry["file"]
            for entry in entries
            if entry["file"].startswith(ROOT + os.sep)
            and not entry["file"].startswith(os.path.abspath(build) + os.sep)
        }
    )


def main():
    if len(sys.argv) < 2:
        print(__doc__.strip().splitlines()[-1], file=sys.stderr)
        return 2
    build = sys.argv[1]
    files = [os.path.abspath(path) for path in sys.argv[2:]] or own_sources(build)
    with tempfile.NamedTemporaryFile("w", suffix=".yaml") as config:
        config.write(config_with_exceptions())
        config.flush()

        def tidy(path):
            run = subprocess.run(
                ["clang-tidy", "--quiet", "-p", build, f"--config-file={config.name}", path],
                capture_output=True,
                text=True,
            )
            return run.returncode, run.stdout

        with concurrent.futures.ThreadPoolExecutor(os.cpu_count()) as pool:
            results = list(pool.map(tidy, files))
    findings = sorted(
        {line for _, out in results for line in out.splitlines() if ": error: " in line}
    )
    for line in findings:
        print(line)
    failed = any(code != 0 for code, _ in results)
    print(f"check_names: {len(files)} files, {len(findings)} findings", file=sys.stderr)
    return 1 if failed or findings else 0


if __name__ == "__main__":
    sys.exit(main())
