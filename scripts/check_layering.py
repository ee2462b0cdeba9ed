#!/usr/bin/env python3
"""Checks that every #include in src/ points down the layers.

Layers, lowest first (HACKING.md explains them):
  common                      header helpers; includes nothing of Tovel's
  app, library, composer,     Qt-free logic; app may include common; library
  help                        app and common; composer library, app, common;
                              help app and common (not library)
  assist                      Qt-free authoring aids (check, lint, snippets);
                              the logic layers above
  lsp                         the language server; the authoring layer and the
                              logic layers below it
  platform                    the Qt framework; may include common only
  <part>/qt, ui               the dialogs; may include everything above but cli
  cli                         tovel-cli; the Qt-free logic, lsp and common, no Qt
  main.cpp                    the program; anything

The Qt-free folders (common, app, library, composer, help, assist, lsp, cli) include no Qt
header either. Prints one FILE:LINE: message per violation and exits with 1
when there is one.

    scripts/check_layering.py [SOURCE_ROOT]
"""
import os
import re
import sys

LOGIC = {"common", "app", "library", "composer", "help"}
QT_FREE = LOGIC | {"assist", "lsp", "cli"}
GUI = "gui"  # the qt/ subfolders and ui/

# What each layer may include besides itself.
ALLOWED = {
    "common": set(),
    "app": {"common"},
    "library": {"common", "app"},
    "composer": {"common", "app", "library"},
    "help": {"common", "app"},
    "assist": LOGIC,
    "lsp": LOGIC | {"assist"},
    "platform": {"common"},
    GUI: LOGIC | {"assist", "platform", GUI},
    "cli": LOGIC | {"assist", "lsp"},
    "main": LOGIC | {"assist", "platform", GUI},
}

INCLUDE = re.compile(r'^\s*#\s*include\s*([<"])([^>"]+)[>"]')
QT_HEADER = re.compile(r"^(Q[A-Za-z0-9_]*|Qt[A-Za-z]*/.*|q[a-z0-9_]*\.h)$")


def layer_of(relative):
    """The layer of a file, given by its path below src/ ('/' separated)."""
    parts = relative.split("/")
    if len(parts) == 1:
        return "main"
    if parts[0] == "ui" or (len(parts) > 2 and parts[1] == "qt"):
        return GUI
    return parts[0]


def target_of(src, including_dir, name):
    """The path below src/ of a quoted include, or None when it is not Tovel's."""
    beside = os.path.normpath(os.path.join(including_dir, name))
    if os.path.isfile(beside) and beside.startswith(src + os.sep):
        return os.path.relpath(beside, src).replace(os.sep, "/")
    top = name.split("/")[0]
    if "/" in name and (os.path.isdir(os.path.join(src, top)) or top == "common"):
        return name
    return None


def check(root):
    src = os.path.join(root, "src")
    problems = []
    for folder, _, files in sorted(os.walk(src)):
        for file in sorted(files):
            if not file.endswith((".h", ".cpp")):
                continue
            path = os.path.join(folder, file)
            relative = os.path.relpath(path, src).replace(os.sep, "/")
            layer = layer_of(relative)
            with open(path, encoding="utf-8", errors="replace") as text:
                for number, line in enumerate(text, 1):
                    match = INCLUDE.match(line)
                    if not match:
                        continue
                    kind, name = match.groups()
                    shown = os.path.relpath(path, root).replace(os.sep, "/")
                    if kind == "<":
                        if layer in QT_FREE and QT_HEADER.match(name):
                            problems.append(f"{shown}:{number}: the Qt-free layer '{layer}' includes the Qt header <{name}>")
                        continue
                    target = target_of(src, folder, name)
                    if target is None:
                        continue
                    target_layer = layer_of(target)
                    if target_layer != layer and target_layer not in ALLOWED.get(layer, set()):
                        problems.append(f"{shown}:{number}: '{layer}' may not include '{name}' (layer '{target_layer}')")
    return problems


def main():
    root = os.path.abspath(sys.argv[1] if len(sys.argv) > 1 else os.path.join(os.path.dirname(__file__), ".."))
    problems = check(root)
    for problem in problems:
        print(problem)
    if problems:
        print(f"== {len(problems)} includes point up the layers (see HACKING.md)")
        return 1
    print("== every include points down the layers")
    return 0


if __name__ == "__main__":
    sys.exit(main())
