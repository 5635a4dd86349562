#!/usr/bin/env python3
"""Fails when a source file includes a layer above its own.

Layers, lowest first:
  0 values     lumetra/automation/values
  1 subsystems lumetra/json, lumetra/dataset, lumetra/mail, lumetra/encoding
  2 object     lumetra/automation (the LumetraCOM object)
  3 server     lumetra/automation/win (the Windows server)
A file may include its own layer and the layers below it. Tolvane stands
apart: tolvane/ includes nothing of lumetra/, and lumetra/ nothing of tolvane/.
The fuzz targets (fuzz/) and the demo (demo/) may include any layer of both.
Platform headers (POSIX, Windows) appear only in posix/ and win/ folders.
Usage: scripts/check_layers.py [ROOT]
"""
import pathlib
import re
import sys

SUBSYSTEMS = ("json", "dataset", "mail", "encoding")
LAYER_NAMES = ["values", "subsystems", "object", "server"]

# Headers of the platforms; the portable core names none of them.
WINDOWS_HEADERS = re.compile(
    r"^(windows|winsock2|ws2tcpip|oleauto|objbase|ole2|oaidl|ocidl|unknwn|shellapi|shlobj|psapi|"
    r"tlhelp32|winsvc|sspi|security|schannel|wincrypt|commctrl|winternl|winerror)\.h$", re.I)
POSIX_HEADERS = re.compile(r"^(unistd|fcntl|dlfcn|poll|netdb|signal|pthread)\.h$|^(sys|netinet|arpa)/")

INCLUDE = re.compile(r'^\s*#\s*include\s*([<"])([^>"]+)[>"]')


def lumetra_layer(parts):
    """Layer of a path under lumetra/ given as its parts after 'lumetra'; None when unknown."""
    if not parts:
        return None
    if parts[0] in SUBSYSTEMS:
        return 1
    if parts[0] == "automation":
        if len(parts) > 1 and parts[1] == "values":
            return 0
        if len(parts) > 1 and parts[1] == "win":
            return 3
        return 2
    return None


def check_file(root, path):
    rel = path.relative_to(root)
    top = rel.parts[0]
    own = lumetra_layer(rel.parts[1:-1] + (rel.parts[-1],)) if top == "lumetra" else None
    folders = set(rel.parts[:-1])
    problems = []
    for number, line in enumerate(path.read_text(encoding="utf-8", errors="replace").splitlines(), 1):
        match = INCLUDE.match(line)
        if not match:
            continue
        bracket, name = match.groups()
        where = f"{rel}:{number}: includes {name}"
        if bracket == "<":
            if WINDOWS_HEADERS.match(name) and "win" not in folders:
                problems.append(f"{where}: a Windows header outside win/")
            if POSIX_HEADERS.match(name) and "posix" not in folders:
                problems.append(f"{where}: a POSIX header outside posix/")
            continue
        target = pathlib.PurePosixPath(name).parts
        if top == "tolvane" and target[0] == "lumetra":
            problems.append(f"{where}: Tolvane includes nothing of Lumetra")
        if top == "lumetra" and target[0] == "tolvane":
            problems.append(f"{where}: Lumetra includes nothing of Tolvane")
        if top == "lumetra" and target[0] == "lumetra" and own is not None:
            theirs = lumetra_layer(target[1:])
            if theirs is not None and theirs > own:
                problems.append(f"{where}: the {LAYER_NAMES[own]} layer includes the {LAYER_NAMES[theirs]} layer")
    return problems


def main():
    root = pathlib.Path(sys.argv[1] if len(sys.argv) > 1 else pathlib.Path(__file__).resolve().parent.parent)
    problems = []
    checked = 0
    for top in ("lumetra", "tolvane", "fuzz", "demo"):
        for path in sorted((root / top).rglob("*")):
            if path.suffix in (".h", ".cpp", ".c", ".rc", ".in") and path.is_file():
                checked += 1
                problems += check_file(root, path)
    for problem in problems:
        print(problem)
    print(f"layer check: {checked} files, {len(problems)} problems")
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main())
