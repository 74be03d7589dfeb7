#!/usr/bin/env python3
"""Fails when a file under src/ includes a header of a higher layer, or when
the dispatcher (frmMain::RunTool) branches on a tool's key instead of reading
the tool's row of the tools table.

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


STRING = re.compile(r'"((?:[^"\\]|\\.)*)"')
KEY_TEST = re.compile(r'\bkey\s*[!=]=|[!=]=\s*key\b|\bkey\.(compare|startsWith|endsWith|contains)\b|'
                      r'\bswitch\s*\(\s*key\b')


def function_body(text, name):
    """The text between the braces of the definition of `name`, or None."""
    m = re.search(r'\b' + re.escape(name) + r'\s*\([^;{]*\)\s*(const\s*)?\{', text)
    if not m:
        return None
    depth, start = 0, m.end() - 1
    for i in range(start, len(text)):
        if text[i] == '{':
            depth += 1
        elif text[i] == '}':
            depth -= 1
            if depth == 0:
                return text[start + 1:i]
    return text[start + 1:]


def check_dispatcher(root):
    """The dispatcher reads each tool's row: no branch on a tool's key in RunTool."""
    faults = []
    table = root / "mainwindow" / "ToolsTable.cpp"
    tool_texts = set(STRING.findall(table.read_text(encoding="utf-8"))) if table.is_file() else set()
    for path in sorted((root / "mainwindow").glob("*.cpp")):
        text = path.read_text(encoding="utf-8", errors="replace")
        body = function_body(text, "frmMain::RunTool")
        if body is None:
            continue
        where = path.relative_to(root.parent)
        if KEY_TEST.search(body):
            faults.append(f"{where}: RunTool tests the tool's key; put the difference in the tool's row")
        for literal in sorted(set(STRING.findall(body)) & tool_texts):
            faults.append(f"{where}: RunTool names \"{literal}\" of the tools table; put it in the tool's row")
    return faults


def main():
    root = pathlib.Path(sys.argv[1] if len(sys.argv) > 1 else pathlib.Path(__file__).parent.parent / "src")
    faults = check(root.resolve()) + check_dispatcher(root.resolve())
    for fault in faults:
        print(fault)
    if faults:
        print(f"{len(faults)} fault(s) in the layers")
        return 1
    print("layers: every include points down")
    return 0


if __name__ == "__main__":
    sys.exit(main())
