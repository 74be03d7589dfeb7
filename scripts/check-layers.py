#!/usr/bin/env python3
"""Fails when a file under src/ includes a header of a higher layer.

Includes point down: app > mainwindow > tool windows > itemlists, settings >
core > components > id3, and controls. Tool windows may use conversion's batch run;
itemlists may use settings (never the reverse); components and controls are
independent of each other and of everything above; components stay widget-free.

Usage: check-layers.py [src-folder]
"""
import pathlib
import re
import sys

RANK = {
    "app": 6,
    "mainwindow": 5,
    "conversion": 4, "ripping": 4, "burning": 4, "tools": 4, "tags": 4,
    "itemlists": 3, "settings": 3,
    "core": 2,
    "components": 1, "controls": 1,
    "id3": 0,
}
TOOL_WINDOWS = {"ripping", "burning", "tools", "tags"}
INCLUDE = re.compile(r'^\s*#\s*include\s*[<"]([^">]+)[">]')
WIDGETS = re.compile(r'^(QtWidgets/|Q(Application|Widget|Dialog|MainWindow|Label|PushButton|LineEdit|'
                     r'ComboBox|CheckBox|MessageBox|FileDialog|Menu|MenuBar|ToolBar|StatusBar|'
                     r'TreeWidget|TableWidget|SystemTrayIcon|Layout|[HV]BoxLayout|GridLayout|'
                     r'Frame|TextEdit|PlainTextEdit|SpinBox|Slider|ProgressBar|TabWidget|'
                     r'ToolButton|RadioButton|GroupBox|Splitter|ScrollArea|Style|Action)$)')


def allowed(src, dst):
    if src == dst:
        return True
    if src == "components" and dst == "id3":
        return True
    if src in ("components", "controls"):
        return False  # neither each other nor anything above
    if src == "itemlists" and dst == "settings":
        return True
    if src in TOOL_WINDOWS and dst == "conversion":
        return True
    return RANK[dst] < RANK[src]


def check(root):
    faults = []
    for path in sorted(root.rglob("*")):
        if path.suffix not in (".h", ".hpp", ".cpp", ".cc") or not path.is_file():
            continue
        layer = path.relative_to(root).parts[0]
        if layer not in RANK:
            continue
        for number, line in enumerate(path.read_text(encoding="utf-8", errors="replace").splitlines(), 1):
            m = INCLUDE.match(line)
            if not m:
                continue
            target = m.group(1)
            head = target.split("/")[0]
            where = f"{path.relative_to(root.parent)}:{number}"
            if head in RANK and not allowed(layer, head):
                faults.append(f"{where}: {layer}/ must not include {target}")
            if layer in ("components", "id3") and WIDGETS.match(target):
                faults.append(f"{where}: {layer}/ is widget-free but includes {target}")
    return faults


def main():
    root = pathlib.Path(sys.argv[1] if len(sys.argv) > 1 else pathlib.Path(__file__).parent.parent / "src")
    faults = check(root.resolve())
    for fault in faults:
        print(fault)
    if faults:
        print(f"{len(faults)} include(s) point up a layer")
        return 1
    print("layers: every include points down")
    return 0


if __name__ == "__main__":
    sys.exit(main())
