"""Runs the real Linux binary from a copy in a temporary directory."""

import os
import shutil
import subprocess
import sys
import tempfile
import unittest

import report_model

BINARY = os.path.abspath(sys.argv.pop(1)) if len(sys.argv) > 1 else None
REPORT = "quillbrook-report.txt"
BOM = b"\xef\xbb\xbf"


class Run:
    def __init__(self, completed):
        self.exit_code = completed.returncode
        self.stdout = completed.stdout
        self.stderr = completed.stderr
        self.text = completed.stdout.decode("utf-8")
        self.assessment = report_model.parse_console(self.text)


class BinaryTestCase(unittest.TestCase):
    """Each test gets its own directory holding a copy of the program."""

    def setUp(self):
        self.assertIsNotNone(BINARY, "pass the program's path as the first argument")
        self.workdir = tempfile.mkdtemp(prefix="quillbrook-e2e-")
        self.addCleanup(shutil.rmtree, self.workdir, ignore_errors=True)

    def install(self, directory=None):
        """Copies the program into directory (default: the test's own) and returns its path."""
        directory = directory or self.workdir
        os.makedirs(directory, exist_ok=True)
        target = os.path.join(directory, "quillbrook")
        shutil.copy2(BINARY, target)
        return target

    def run_program(self, program, cwd=None, stdin=subprocess.DEVNULL):
        completed = subprocess.run([program], cwd=cwd or self.workdir, stdin=stdin, capture_output=True,
                                   timeout=20)
        return Run(completed)

    def assertSameText(self, expected, actual):
        self.assertTrue(expected == actual, report_model.first_difference(expected, actual))

    def assertWholeConsole(self, run, report_line):
        """The whole redirected output, exit code included, agrees with the model."""
        expected = report_model.console_text(run.assessment, report_line)
        self.assertSameText(expected, run.text)
        self.assertEqual(run.exit_code, run.assessment.exit_code)
