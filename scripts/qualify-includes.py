#!/usr/bin/env python3
"""Rewrites every quoted include of a project header to its path from the
repository root ("data/utf16.h", not "utf16.h"), so that two headers of one
name can never compete and a reader sees at once where a header lives.

    python3 scripts/qualify-includes.py [--check]

A header is found the way the compiler would find it: first beside the file
that includes it, then as a path from the repository root, then by its file
name alone when exactly one header outside testserver/ has that name (the
test server's headers were always included by their path). An include that
matches several headers is reported and left alone; --check only reports and
exits 1 when anything would change. Files the script changes are passed
through clang-format, since the new paths can change the include order.
"""
import os
import re
import subprocess
import sys

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
FOLDERS = ["data", "catalog", "snapshot", "compare", "script", "workflow", "app", "cli", "bench",
           "tests", "testserver"]
SOURCE_SUFFIXES = (".h", ".cpp")
INCLUDE = re.compile(r'^(\s*#\s*include\s+")([^"]+)(")', re.MULTILINE)


def project_files():
    for folder in FOLDERS:
        for directory, _, names in os.walk(os.path.join(ROOT, folder)):
            for name in names:
                if name.endswith(SOURCE_SUFFIXES):
                    yield os.path.join(directory, name)


def headers_by_name(files):
    found = {}
    for path in files:
        if path.endswith(".h"):
            found.setdefault(os.path.basename(path), []).append(path)
    return found


def resolve(including_file, written, by_name):
    beside = os.path.normpath(os.path.join(os.path.dirname(including_file), written))
    if os.path.isfile(beside):
        return beside, None
    from_root = os.path.normpath(os.path.join(ROOT, written))
    if os.path.isfile(from_root):
        return from_root, None
    # The test server's headers were never on the include path by name alone.
    candidates = [c for c in by_name.get(os.path.basename(written), [])
                  if not os.path.relpath(c, ROOT).startswith("testserver" + os.sep)]
    if len(candidates) == 1:
        return candidates[0], None
    if len(candidates) > 1:
        return None, "ambiguous: " + ", ".join(os.path.relpath(c, ROOT) for c in candidates)
    return None, None  # not a project header (a generated or system one)


def main():
    check_only = "--check" in sys.argv[1:]
    files = sorted(project_files())
    by_name = headers_by_name(files)
    changed, problems = [], []
    for path in files:
        with open(path, encoding="utf-8") as f:
            text = f.read()

        def qualify(match):
            header, problem = resolve(path, match.group(2), by_name)
            if problem:
                problems.append(f"{os.path.relpath(path, ROOT)}: \"{match.group(2)}\" {problem}")
            if header is None:
                return match.group(0)
            return match.group(1) + os.path.relpath(header, ROOT) + match.group(3)

        new_text = INCLUDE.sub(qualify, text)
        if new_text != text:
            changed.append(path)
            if not check_only:
                with open(path, "w", encoding="utf-8") as f:
                    f.write(new_text)
    for problem in problems:
        print(problem, file=sys.stderr)
    for path in changed:
        print(("would change " if check_only else "changed ") + os.path.relpath(path, ROOT))
    if changed and not check_only:
        subprocess.run(["clang-format", "-i", *changed], check=True)
    return 1 if problems or (check_only and changed) else 0


if __name__ == "__main__":
    sys.exit(main())
