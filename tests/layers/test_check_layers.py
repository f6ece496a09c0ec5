#!/usr/bin/env python3
"""Tests of check_layers.py on small source trees of their own."""

import os
import subprocess
import sys
import tempfile
import unittest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import check_layers  # noqa: E402

HERE = os.path.dirname(os.path.abspath(__file__))
CHECK = os.path.join(HERE, "check_layers.py")

RULES = """\
base:
base/sub: base
feature: base
top: *
"""


class CheckLayers(unittest.TestCase):
    through_main = False

    def run_check(self, files, rules=RULES):
        with tempfile.TemporaryDirectory() as root:
            for name, text in files.items():
                path = os.path.join(root, "src", name)
                os.makedirs(os.path.dirname(path), exist_ok=True)
                with open(path, "w", encoding="utf-8") as f:
                    f.write(text)
            with open(os.path.join(root, "layers.rules"), "w", encoding="utf-8") as f:
                f.write(rules)
            if not self.through_main:
                problems = check_layers.check(os.path.join(root, "src"),
                                              check_layers.read_rules(os.path.join(root, "layers.rules")))
                return (1 if problems else 0), "\n".join(problems) or "every include keeps to the layers"
            # The command as CTest runs it: its exit status and its output.
            r = subprocess.run([sys.executable, CHECK, "--src", "src", "--rules", "layers.rules"],
                               cwd=root, capture_output=True, text=True, check=False)
            return r.returncode, r.stdout

    def test_downward_includes_pass_and_an_upward_one_fails_at_its_line(self):
        tree = {
            "base/b.h": "#pragma once\n",
            "base/sub/s.h": '#include "base/b.h"\n#include <vector>\n#include "b_local.h"\n',
            "base/sub/b_local.h": "",
            "feature/f.h": '#include "base/b.h"\n',
            "top/t.cpp": '#include "feature/f.h"\n#include "base/b.h"\n',
        }
        rc, out = self.run_check(tree)
        self.assertEqual((rc, out.strip()), (0, "every include keeps to the layers"))

        # A subfolder with a line of its own is no part of its parent: using
        # base does not allow base/sub (as using platform does not allow
        # platform/linux).
        tree["feature/f.h"] += '#include "base/sub/s.h"\n'
        rc, out = self.run_check(tree)
        self.assertEqual(rc, 1)
        self.assertIn('src/feature/f.h:2: includes "base/sub/s.h", but feature may not use base/sub', out)
        tree["feature/f.h"] = '#include "base/b.h"\n'

        tree["base/b.cpp"] = '#include "base/b.h"\n\n  #  include "feature/f.h"\n'
        rc, out = self.run_check(tree)
        self.assertEqual(rc, 1)
        self.assertIn('src/base/b.cpp:3: includes "feature/f.h", but base may not use feature', out)
        # A subfolder without a line of its own follows its parent's line
        # ("base/sub" has one; "base/sub/deeper" follows it).
        del tree["base/b.cpp"]
        tree["base/sub/deeper/d.h"] = '#include "top/t.cpp"\n'
        rc, out = self.run_check(tree)
        self.assertEqual(rc, 1)
        self.assertIn("src/base/sub/deeper/d.h:1: includes \"top/t.cpp\", but base/sub may not use top", out)

    def test_an_exception_covers_its_one_include_and_fails_once_stale(self):
        rules = RULES + "except src/base/b.h: feature/f.h\n"
        tree = {"base/b.h": '#include "feature/f.h"\n', "feature/f.h": "", "feature/g.h": ""}
        self.assertEqual(self.run_check(tree, rules)[0], 0)
        tree["base/b.h"] += '#include "feature/g.h"\n'
        rc, out = self.run_check(tree, rules)
        self.assertEqual(rc, 1)
        self.assertIn('src/base/b.h:2: includes "feature/g.h"', out)
        tree["base/b.h"] = "#pragma once\n"
        rc, out = self.run_check(tree, rules)
        self.assertEqual(rc, 1)
        self.assertIn("exception at line 5 of the rules is no longer needed", out)

    def test_a_folder_without_a_line_and_a_circle_of_rules_fail(self):
        rc, out = self.run_check({"newthing/n.h": "", "base/b.h": ""})
        self.assertEqual(rc, 1)
        self.assertIn("src/newthing/: no line in the rules", out)
        rc, out = self.run_check({"base/b.h": ""}, RULES.replace("base:\n", "base: feature\n"))
        self.assertEqual(rc, 1)
        self.assertIn("the arrows run in a circle: base -> feature -> base", out)
        rc, out = self.run_check({"base/b.h": ""}, RULES + "feature: top\n")
        self.assertEqual(rc, 1)
        self.assertIn("a second line for 'feature'", out)

    def test_the_command_exits_1_and_names_the_broken_rule(self):
        self.through_main = True
        rc, out = self.run_check({"base/b.h": '#include "top/t.h"\n', "top/t.h": ""})
        self.assertEqual(rc, 1)
        self.assertIn('src/base/b.h:1: includes "top/t.h", but base may not use top', out)
        rc, out = self.run_check({"base/b.h": "", "top/t.h": '#include "base/b.h"\n'})
        self.assertEqual((rc, out.strip()), (0, "every include keeps to the layers"))


if __name__ == "__main__":
    unittest.main()
