#!/usr/bin/env python3
"""The layer checker on small trees: a clean tree passes, and each rule fails
on the one file that breaks it."""
import pathlib
import subprocess
import sys
import tempfile
import unittest

CHECKER = pathlib.Path(__file__).resolve().parents[2] / "scripts" / "check-layers.py"

TABLE = '''
std::vector<ToolInfo> makeTools() {
    return {{"Audio Converter", "Audio Converter"}, {"Audio Joiner", "Audio Joiner"}};
}
'''

RUNTOOL_CLEAN = '''
#include "mainwindow/ToolsTable.h"
void frmMain::RunTool(const QString& key) {
    const mainwindow::ToolInfo* tool = mainwindow::FindTool(key);
    if (!tool) return;
    if (tool->addFilesWhenEmpty && rows == 0) RunCommand("Add Files");
    mainwindow::ToolOpenFor(key)(LaunchContext(key));
}
'''


def tree(root, files):
    for name, text in files.items():
        path = root / name
        path.parent.mkdir(parents=True, exist_ok=True)
        path.write_text(text, encoding="utf-8")


def run(files):
    with tempfile.TemporaryDirectory() as folder:
        src = pathlib.Path(folder) / "src"
        tree(src, files)
        done = subprocess.run([sys.executable, str(CHECKER), str(src)], capture_output=True, text=True)
        return done.returncode, done.stdout


BASE = {
    "core/Registry.cpp": '#include "core/Registry.h"\n#include "components/Worker.h"\n#include <QString>\n',
    "core/Registry.h": "#pragma once\n",
    "components/Worker.h": "#pragma once\n#include <QObject>\n",
    "dialogs/frmNotes.cpp": '#include "core/Registry.h"\n#include <QDialog>\n',
    "dialogs/frmNotes.h": "#pragma once\nnamespace core {\nclass Registry;\nstruct Row;\n} // namespace core\n"
                          "namespace dialogs::chrome {\nvoid ShowNotes() {}\n} // namespace dialogs::chrome\n",
    "settings/Record.cpp": '#include "core/Registry.h"\n',
    "options/frmOptions.cpp": '#include "dialogs/frmNotes.h"\n#include "settings/Record.h"\n#include <QCheckBox>\n',
    "itemlists/Templates.h": "#pragma once\nbool RunNoticApp(const NoticFileValues& file);\n",
    "itemlists/Templates.cpp": '#include "itemlists/Templates.h"\n#include "settings/Record.h"\n'
                               "bool RunNoticApp(const NoticFileValues& file) {\n    return false;\n}\n",
    "listviews/TemplatesGrid.h": '#pragma once\n#include "itemlists/Templates.h"\nbool RunNoticApp(cGrid& mainGrid);\n',
    "listviews/TemplatesGrid.cpp": '#include "listviews/TemplatesGrid.h"\n#include "options/frmOptions.h"\n'
                                   "bool RunNoticApp(cGrid& mainGrid) {\n    return RunNoticApp(LastRow(mainGrid));\n}\n",
    "toolframe/frmBatchTool.h": '#pragma once\n#include "listviews/TemplatesGrid.h"\n',
    "ripping/frmCDRipper.cpp": '#include "toolframe/frmBatchTool.h"\n',
    "mainwindow/ToolsTable.cpp": TABLE,
    "mainwindow/frmMainCommands.cpp": RUNTOOL_CLEAN,
}


class CheckLayers(unittest.TestCase):
    def test_clean_tree_passes(self):
        code, out = run(BASE)
        self.assertEqual(code, 0, out)

    def test_faults(self):
        cases = {
            "upward include": ("core/Registry.cpp", '#include "mainwindow/frmMain.h"\n', "must not include"),
            "widget in a base folder": ("core/Registry.cpp", "#include <QWidget>\n", "widget-free base library"),
            "Qt Gui in a base folder": ("core/Registry.h", "#pragma once\n#include <QColor>\n",
                                        "widget-free base library"),
            "GUI folder from a base folder": ("components/Worker.cpp", '#include "controls/cGrid.h"\n',
                                              "widget-free base library"),
            "widget in a base file of settings": ("settings/Record.cpp", "#include <QCheckBox>\n",
                                                  "widget-free base library"),
            "function defined in another folder's namespace": (
                "dialogs/frmNotes.h", "namespace core {\nclass Registry;\nvoid ShowNotes() {}\n}\n",
                "defines code in namespace core"),
            "class defined in a nested namespace of another folder": (
                "controls/ControlColor.h", "namespace components::colours {\nstruct Colour {\n    int rgb;\n};\n}\n",
                "defines code in namespace components"),
            "window in a base folder": ("itemlists/Templates.cpp", '#include "listviews/TemplatesGrid.h"\n',
                                        "widget-free base library"),
            "tool window uses another": ("ripping/frmCDRipper.cpp", '#include "conversion/frmConverter.h"\n',
                                         "must not include"),
            "settings uses itemlists": ("settings/Record.cpp", '#include "itemlists/Templates.h"\n',
                                        "must not include"),
            "base header declares a GUI function": (
                "itemlists/Templates.h",
                "#pragma once\nbool RunNoticApp(const NoticFileValues& file);\nbool RunNoticApp(cGrid& mainGrid);\n",
                "declares RunNoticApp, which only src/listviews/TemplatesGrid.cpp"),
            "key compared in RunTool": (
                "mainwindow/frmMainCommands.cpp",
                RUNTOOL_CLEAN.replace('if (!tool) return;',
                                      'if (!tool) return;\n    if (key == QLatin1String("x")) return;'),
                "tests the tool's key"),
            "tool named in RunTool": (
                "mainwindow/frmMainCommands.cpp",
                RUNTOOL_CLEAN.replace('if (!tool) return;',
                                      'if (!tool) return;\n    if (tool->key == "Audio Joiner") return;'),
                "names \"Audio Joiner\""),
        }
        for name, (path, text, message) in cases.items():
            with self.subTest(name):
                files = dict(BASE)
                files[path] = text
                code, out = run(files)
                self.assertEqual(code, 1, out)
                self.assertIn(message, out)
                self.assertIn(path, out)


if __name__ == "__main__":
    unittest.main()
