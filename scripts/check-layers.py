#!/usr/bin/env python3
"""Fails when a file under src/ includes a header of a higher layer, when a
file of the widget-free base library includes a widget, Qt Gui or a GUI folder,
when a header of the base library declares a function that only the GUI
library defines, when the dispatcher (frmMain::RunTool) branches on a tool's
key instead of reading the tool's row of the tools table, or when a file
defines something in the namespace of another folder.

Includes point down: app > mainwindow > tool windows (conversion, ripping,
burning, tools, tags) > toolframe (the tool-window frame, the GUI binding of
jobs, the launch context) > listviews (the item lists on screen) > options
(the settings windows) > dialogs > itemlists > settings > core > components >
id3, and controls at the ground; components and controls are independent of
each other and of everything above. No folder has an exception.

A folder is one library. The base library is every file of core/, id3/,
components/, settings/ and itemlists/; none of them may include a widget or
Qt Gui header or a GUI folder (controls/, dialogs/ and the windows above),
and none of their headers may promise a function whose only definition is
in a GUI folder (matched by name and first parameter type).

Namespaces match folders: what a file under src/<folder>/ defines lives in
namespace <folder> (or one nested in it). Opening the namespace of another of
our folders is allowed only for forward declarations (`class A;`, `struct B;`).

Usage: check-layers.py [src-folder]
"""
import pathlib
import re
import sys

RANK = {
    "app": 11,
    "mainwindow": 10,
    "conversion": 9, "ripping": 9, "burning": 9, "tools": 9, "tags": 9,
    "toolframe": 8,
    "listviews": 7,
    "options": 6,
    "dialogs": 5,
    "itemlists": 4,
    "settings": 3,
    "core": 2,
    "components": 1,
    "id3": 0, "controls": 0,
}
BASE_FOLDERS = {"core", "id3", "components", "settings", "itemlists"}
GUI_FOLDERS = set(RANK) - BASE_FOLDERS
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
SOURCES = (".h", ".hpp", ".cpp", ".cc")


def allowed(src, dst):
    if src == dst:
        return True
    if src in ("id3", "controls"):
        return False  # the ground: nothing of ours above
    if src == "components":
        return dst == "id3"
    return RANK[dst] < RANK[src]


def source_files(root):
    """(folder, path) of every source file of a known folder."""
    for path in sorted(root.rglob("*")):
        if path.suffix not in SOURCES or not path.is_file():
            continue
        layer = path.relative_to(root).parts[0]
        if layer in RANK:
            yield layer, path


def check(root):
    faults = []
    for layer, path in source_files(root):
        for number, line in enumerate(path.read_text(encoding="utf-8", errors="replace").splitlines(), 1):
            m = INCLUDE.match(line)
            if not m:
                continue
            target = m.group(1)
            head = target.split("/")[0]
            where = f"{path.relative_to(root.parent)}:{number}"
            if head in RANK and not allowed(layer, head):
                faults.append(f"{where}: {layer}/ must not include {target}")
            if layer in BASE_FOLDERS and (WIDGETS.match(target) or GUI_HEADERS.match(target) or head in GUI_FOLDERS):
                faults.append(f"{where}: {layer}/ is in the widget-free base library but includes {target}")
    return faults


COMMENT_OR_TEXT = re.compile(r'//[^\n]*|/\*.*?\*/|"(?:[^"\\\n]|\\.)*"|\'(?:[^\'\\\n]|\\.)*\'', re.S)
CALL = re.compile(r'\b([A-Za-z_]\w*)\s*\(')
NOT_NAMES = {"if", "for", "while", "switch", "catch", "return", "sizeof", "decltype", "alignof", "alignas",
             "static_assert", "noexcept", "defined", "operator", "Q_OBJECT", "Q_ENUM", "Q_DECLARE_METATYPE"}
NOT_TYPES = {"return", "emit", "new", "delete", "throw", "co_return", "else", "case", "goto"}
QUALIFIERS = re.compile(r'^(\s|const\b|override\b|final\b|noexcept\b)*')


def code_of(path):
    """The text of a source file without comments and literals."""
    return COMMENT_OR_TEXT.sub(lambda m: " " if m.group(0)[0] == "/" else '""',
                               path.read_text(encoding="utf-8", errors="replace"))


def closing_parens(text):
    """The index of the matching ")" of every "(" (the end of the text when unmatched)."""
    close, stack = {}, []
    for i, c in enumerate(text):
        if c == "(":
            stack.append(i)
        elif c == ")" and stack:
            close[stack.pop()] = i
    return close


def functions(text):
    """(name, first parameter's type, what follows) of every name(...) that
    stands where a declaration or definition does: after a type."""
    close = closing_parens(text)
    for m in CALL.finditer(text):
        name = m.group(1)
        if name in NOT_NAMES:
            continue
        i = close.get(m.end() - 1, len(text))
        params = text[m.end():i]
        # What stands before the name: a type (a word, *, &, > or ::), not an operator or a keyword.
        before = text[max(0, m.start() - 200):m.start()].rstrip()
        while before.endswith("::"):
            before = re.sub(r'[\w~]*::$', "", before).rstrip()
        word = re.search(r'(\w+)$', before)
        if not before or before[-1] not in "*&>" and not (word and word.group(1) not in NOT_TYPES):
            continue
        first = re.split(r',(?![^<]*>)', params, maxsplit=1)[0].split("=")[0]
        words = [w for w in re.findall(r'[A-Za-z_]\w*', first) if w not in ("const", "volatile", "struct", "class")]
        kind = words[-2] if len(words) >= 2 else (words[0] if words else "")
        rest = text[i + 1:i + 80]
        after = rest[QUALIFIERS.match(rest).end():][:1]
        yield name, kind, after


def check_declarations(root):
    """A base-library header declares only functions the base library defines."""
    declared, base_defined, gui_defined = {}, set(), {}
    for layer, path in source_files(root):
        text = code_of(path)
        for name, kind, after in functions(text):
            key = (name, kind)
            if after == ";" and layer in BASE_FOLDERS and path.suffix in (".h", ".hpp"):
                declared.setdefault(key, path)
            elif after in ("{", ":"):
                if layer in BASE_FOLDERS:
                    base_defined.add(key)
                elif path.suffix in (".cpp", ".cc"):
                    gui_defined.setdefault(key, path)
    faults = []
    for key in sorted(set(declared) & set(gui_defined) - base_defined):
        header, source = declared[key], gui_defined[key]
        faults.append(f"{header.relative_to(root.parent)}: declares {key[0]}, which only "
                      f"{source.relative_to(root.parent)} of the GUI library defines; "
                      f"declare it in a header of a GUI folder")
    return faults


STRING = re.compile(r'"((?:[^"\\]|\\.)*)"')
KEY_TEST = re.compile(r'\bkey\s*[!=]=|[!=]=\s*key\b|\bkey\.(compare|startsWith|endsWith|contains)\b|'
                      r'\bswitch\s*\(\s*key\b')


def function_body(text, name):
    """The text between the braces of the definition of `name`, or None."""
    m = re.search(r'\b' + re.escape(name) + r'\s*\([^;{]*\)\s*(const\s*)?\{', text)
    return braced(text, m.end()) if m else None


def braced(text, start):
    """The text from `start` (just inside an opening brace) to its closing brace."""
    depth = 1
    for i in range(start, len(text)):
        if text[i] == '{':
            depth += 1
        elif text[i] == '}':
            depth -= 1
            if depth == 0:
                return text[start:i]
    return text[start:]


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


OPEN_NAMESPACE = re.compile(r'\bnamespace\s+(\w+)(?:::\w+)*\s*\{')
FORWARD = re.compile(r'^(class|struct)\s+\w+$')


def check_namespaces(root):
    """A file defines its code in its own folder's namespace; another folder's
    namespace may only receive forward declarations."""
    faults = []
    for folder, path in source_files(root):
        # Comments and literals are blanked, lines kept, so that braces in them do not count.
        text = COMMENT_OR_TEXT.sub(lambda m: re.sub(r'[^\n]', ' ', m.group(0)),
                                   path.read_text(encoding="utf-8", errors="replace"))
        for m in OPEN_NAMESPACE.finditer(text):
            name = m.group(1)
            if name == folder or name not in RANK:
                continue
            statements = [s.strip() for s in braced(text, m.end()).split(";")]
            if all(not s or FORWARD.match(s) for s in statements):
                continue
            number = text.count("\n", 0, m.start()) + 1
            faults.append(f"{path.relative_to(root.parent)}:{number}: defines code in namespace {name}; "
                          f"what {folder}/ defines belongs in namespace {folder}")
    return faults


def main():
    root = pathlib.Path(sys.argv[1] if len(sys.argv) > 1 else pathlib.Path(__file__).parent.parent / "src")
    faults = (check(root.resolve()) + check_declarations(root.resolve()) + check_dispatcher(root.resolve())
              + check_namespaces(root.resolve()))
    for fault in faults:
        print(fault)
    if faults:
        print(f"{len(faults)} fault(s) in the layers")
        return 1
    print("layers: every include points down; base headers promise only base functions")
    return 0


if __name__ == "__main__":
    sys.exit(main())
