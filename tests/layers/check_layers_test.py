#!/usr/bin/env python3
"""The layer check on small trees: it passes a sound one and names each break."""

import importlib.util
import os
import sys
import tempfile
import unittest

SCRIPT = sys.argv.pop(1) if len(sys.argv) > 1 else os.path.join(
    os.path.dirname(__file__), "..", "..", "scripts", "check_layers.py")
loader_info = importlib.util.spec_from_file_location("check_layers", SCRIPT)
check_layers = importlib.util.module_from_spec(loader_info)
loader_info.loader.exec_module(check_layers)


class LayerCheckTest(unittest.TestCase):
    def setUp(self):
        self._dir = tempfile.TemporaryDirectory()
        self.root = self._dir.name
        for layer in check_layers.LAYER_RANKS:
            os.makedirs(os.path.join(self.root, layer))
        # A sound tree: each layer includes its own folder and the ones below.
        self.write("form/controls.h", "#pragma once\n#include <string>\n")
        self.write("protocol/frame_parser.h", '#include "form/controls.h"\n#include "protocol/units.h"\n')
        self.write("records/record_file.cpp", '#include "protocol/frame_parser.h"\n')
        self.write("window/form1.cpp", '#include "records/record_file.h"\n#include "comm/comm32.h"\n')
        self.write("ui/main_form.cpp", '#include "window/form1.h"\n#include "moc_main_form.cpp"\n')
        self.write("app/main.cpp", '#include "ui/main_form.h"\n#include "tools/virtual-sensor/virtual_sensor.h"\n')
        self.write("tests/protocol/parser_test.cpp", '#include "app/main.h"\n#include "ui/x.h"\n')

    def tearDown(self):
        self._dir.cleanup()

    def write(self, rel, text):
        path = os.path.join(self.root, rel)
        os.makedirs(os.path.dirname(path), exist_ok=True)
        with open(path, "w", encoding="utf-8") as f:
            f.write(text)

    def test_sound_tree_passes(self):
        self.assertEqual(check_layers.check(self.root), [])

    def test_upward_includes_are_named_with_file_and_line(self):
        self.write("protocol/recorder.cpp", '#include <vector>\n\n#  include "window/form1.h"\n')
        self.write("form/main_controls.cpp", '#include "ui/main_window.h"\n')
        self.write("window/views.cpp", '#include "tools/virtual-sensor/virtual_sensor.h"\n')
        problems = check_layers.check(self.root)
        self.assertEqual(len(problems), 3, problems)
        self.assertTrue(any(p.startswith("protocol/recorder.cpp:3:") and "window/" in p for p in problems))
        self.assertTrue(any(p.startswith("form/main_controls.cpp:1:") for p in problems))
        self.assertTrue(any(p.startswith("window/views.cpp:1:") for p in problems))

    def test_a_relative_include_cannot_climb_past_the_check(self):
        self.write("plot/axis.cpp", '#include "../ui/plot_widget.h"\n#include "scale.h"\n')
        problems = check_layers.check(self.root)
        self.assertEqual(len(problems), 1, problems)
        self.assertIn("plot/axis.cpp:1:", problems[0])

    def test_layers_may_not_include_the_tests(self):
        self.write("window/form1.h", '#include "tests/support/form_fixture.h"\n')
        self.assertEqual(len(check_layers.check(self.root)), 1)

    def test_unknown_source_folder_and_missing_layer_fail(self):
        self.write("export/csv.cpp", "int x;\n")
        os.rmdir(os.path.join(self.root, "analysis"))
        problems = check_layers.check(self.root)
        self.assertTrue(any(p.startswith("export/") for p in problems), problems)
        self.assertTrue(any(p.startswith("analysis/") for p in problems), problems)

    def test_build_trees_inside_the_source_are_skipped(self):
        self.write("build/CMakeCache.txt", "")
        self.write("build/protocol/moc_x.cpp", '#include "app/main.h"\n')
        self.assertEqual(check_layers.check(self.root), [])

    def test_command_line_exit_status(self):
        self.assertEqual(check_layers.main(["check_layers.py", self.root]), 0)
        self.write("comm/comm32.cpp", '#include "protocol/frame_parser.h"\n')
        self.assertEqual(check_layers.main(["check_layers.py", self.root]), 1)


if __name__ == "__main__":
    unittest.main()
