#!/usr/bin/env python3
"""Each core library includes only what the opening comment of its CMakeLists.txt allows.

A core library is a folder whose comment says it "must not depend on Qt". Its sources may include
their own folder, the Mora folders named in the comment's "Depends on ..." (or "Stands above ...")
sentence and what those may include in turn, and no Qt header. Prints every offending include and
exits 1 when there is one.
"""
import pathlib
import re
import sys

root = pathlib.Path(__file__).resolve().parent.parent
folders = sorted(str(p.parent.relative_to(root)) for p in root.glob("*/CMakeLists.txt"))
folders += sorted(str(p.parent.relative_to(root)) for p in root.glob("*/*/CMakeLists.txt")
                  if p.parent.parent.name in folders and p.parent.parent.name not in ("tests",))
folders = [f for f in folders if not f.startswith(("tests", "bench", "cmake"))]


def comment(folder):
    lines = []
    for line in (root / folder / "CMakeLists.txt").read_text().splitlines():
        if not line.startswith("#"):
            break
        lines.append(line.lstrip("# "))
    return " ".join(lines)


def owner(include):
    """The folder an include path belongs to, the longest match first."""
    for folder in sorted(folders, key=len, reverse=True):
        if include.startswith(folder + "/"):
            return folder
    return None


def named(folder):
    """The folders the comment's dependency sentence names."""
    match = re.search(r"(?:Depends (?:only )?on|Stands above) ([^;.]*)", comment(folder))
    if not match:
        return set()
    words = set(re.findall(r"[\w/]+", re.sub(r"\(.*?\)", "", match.group(1))))
    return {f for f in folders if f in words}


def allowed_for(folder):
    allowed, todo = {folder}, [folder]
    while todo:
        for dep in named(todo.pop()) - allowed:
            allowed.add(dep)
            todo.append(dep)
    return allowed


failures = []
for folder in folders:
    if "must not depend on Qt" not in comment(folder):
        continue
    allowed = allowed_for(folder)
    for source in sorted((root / folder).glob("*")):
        if source.suffix not in (".cpp", ".h"):
            continue
        for number, line in enumerate(source.read_text(errors="replace").splitlines(), 1):
            m = re.match(r'\s*#\s*include\s*([<"])([^">]+)[">]', line)
            if not m:
                continue
            path = m.group(2)
            where = f"{source.relative_to(root)}:{number}"
            if m.group(1) == "<" and re.match(r"Q[A-Za-z]*(/|$)", path):
                failures.append(f"{where}: includes Qt ({path}); {folder} must not depend on Qt")
            elif m.group(1) == '"' and owner(path) and owner(path) not in allowed:
                failures.append(f"{where}: includes {path}, but {folder}/CMakeLists.txt allows "
                                f"only {', '.join(sorted(allowed))}")

for failure in failures:
    print(failure, file=sys.stderr)
sys.exit(1 if failures else 0)
