#!/usr/bin/env python3
"""Fails when a file under src/ includes a header of a higher layer, when a
file of the widget-free base library includes a widget, Qt Gui or a GUI folder, or
when the dispatcher (frmMain::RunTool) branches on a tool's key instead of
reading the tool's row of the tools table.

Includes point down: app > mainwindow > tool windows > itemlists, settings >
dialogs > core > components > id3, and controls at the ground. Tool windows
may use conversion's frame and launch context; itemlists may use settings
(never the reverse); components and controls are independent of each other
and of everything above.

The base library is every file of core/, id3/ and components/, and the files
that a folder's CMakeLists.txt adds to corvane_base (the widget-free records
of settings/ and itemlists/); none of them may include a widget or Qt Gui
header or a GUI folder (controls/, dialogs/ and the windows above).

Usage: check-layers.py [src-folder]
"""
import pathlib
import re
import sys

RANK = {
    "app": 7,
    "mainwindow": 6,
    "conversion": 5, "ripping": 5, "burning": 5, "tools": 5, "tags": 5,
    "itemlists": 4, "settings": 4,
    "dialogs": 3,
    "core": 2,
    "components": 1,
    "id3": 0, "controls": 0,
}
BASE_FOLDERS = {"core", "id3", "components"}
GUI_FOLDERS = {"app", "mainwindow", "conversion", "ripping", "burning", "tools", "tags", "dialogs", "controls"}
BASE_SOURCES = re.compile(r'target_sources\(\s*corvane_base\s+PRIVATE([^)]*)\)', re.S)
TOOL_WINDOWS = {"ripping", "burning", "tools", "tags"}
INCLUDE = re.compile(r'^\s*#\s*include\s*[<"]([^">]+)[">]')
WIDGETS = re.compile(r'^(QtWidgets/|Q(Application|Widget|Dialog|MainWindow|Label|PushButton|LineEdit|'
                     r'ComboBox|CheckBox|MessageBox|FileDialog|Menu|MenuBar|ToolBar|StatusBar|'
                     r'TreeWidget|TableWidget|SystemTrayIcon|Layout|[HV]BoxLayout|GridLayout|'
                     r'Frame|TextEdit|PlainTextEdit|SpinBox|Slider|ProgressBar|TabWidget|'
                     r'ToolButton|RadioButton|GroupBox|Splitter|ScrollArea|Style|Action)$)')
# Qt Gui: the base library links Qt Core, not Gui.
GUI_HEADERS = re.compile(r'^(QtGui/|Q(Color|Image|Pixmap|Font|FontMetrics|Palette|Painter|PainterPath|'
                         r'GuiApplication|Icon|IconEngine|KeySequence|DesktopServices|Clipboard|Brush|'
                         r'Pen|Screen|Window|Cursor|Movie|TextDocument|TextCursor|StandardItemModel|'
                         r'Validator|Drag|MouseEvent|KeyEvent|PaintEvent|Rgb)$)')


def allowed(src, dst):
    if src == dst:
        return True
    if src in ("id3", "controls"):
        return False  # the ground: nothing of ours above
    if src == "components":
        return dst == "id3"
    if src == "itemlists" and dst == "settings":
        return True
    if src in TOOL_WINDOWS and dst == "conversion":
        return True
    return RANK[dst] < RANK[src]


def base_files(root):
    """The files of the base library outside the base folders, from the CMake lists."""
    files = set()
    for cmake in sorted(root.glob("*/CMakeLists.txt")):
        for block in BASE_SOURCES.findall(cmake.read_text(encoding="utf-8")):
            for name in block.split():
                if name.startswith("#"):
                    continue
                stem = (cmake.parent / name).with_suffix("")
                files.update({stem.with_suffix(".cpp"), stem.with_suffix(".h")})
    return files


def check(root):
    faults = []
    listed_base = base_files(root)
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
            in_base = layer in BASE_FOLDERS or path in listed_base
            if in_base and (WIDGETS.match(target) or GUI_HEADERS.match(target) or head in GUI_FOLDERS):
                faults.append(f"{where}: {layer}/ is in the widget-free base library but includes {target}")
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
