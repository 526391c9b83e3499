"""The report file beside the executable, through the real binary."""

import os
import subprocess
import unittest

import report_model
from harness import BINARY, BinaryTestCase, BOM, REPORT, Run

FAILED = report_model.REPORT_FAILED


class ReportFile(BinaryTestCase):
    def read_report(self, directory):
        with open(os.path.join(directory, REPORT), "rb") as file:
            return file.read()

    def assertReportMatches(self, run, data):
        self.assertTrue(data.startswith(BOM))
        self.assertTrue(data.endswith(b".\n"), "the file ends with the hint's line end")
        self.assertNotIn(b"\r", data)
        self.assertSameText(report_model.report_text(run.assessment), data[len(BOM):].decode("utf-8"))

    def test_written_beside_the_executable_and_named_on_the_console(self):
        bin_dir = os.path.join(self.workdir, "tools")
        run = self.run_program(self.install(bin_dir), cwd=self.workdir)
        self.assertWholeConsole(run, "Report: %s/%s" % (bin_dir, REPORT))
        self.assertReportMatches(run, self.read_report(bin_dir))
        self.assertFalse(os.path.exists(os.path.join(self.workdir, REPORT)))

    def test_second_run_replaces_the_whole_file(self):
        program = self.install()
        with open(os.path.join(self.workdir, REPORT), "wb") as file:
            file.write(b"old and much longer content\n" * 500)
        run = self.run_program(program)
        self.assertReportMatches(run, self.read_report(self.workdir))

    def test_path_is_printed_as_its_bytes_with_control_characters_shown_as_question_marks(self):
        # directory name, and how the console shows it
        cases = [("Pr\u00fcfung \u2713", "Pr\u00fcfung \u2713"), ("title\x1b]0;x\x07\x9b2J", "title?]0;x??2J")]
        for name, shown in cases:
            with self.subTest(name=name):
                bin_dir = os.path.join(self.workdir, name)
                run = self.run_program(self.install(bin_dir))
                self.assertWholeConsole(run, "Report: %s/%s" % (os.path.join(self.workdir, shown), REPORT))
                self.assertReportMatches(run, self.read_report(bin_dir))

    def test_executable_path_of_260_bytes_or_more_still_writes_beside_it(self):
        for length in (259, 260, 400, 1000):  # path length of the executable
            with self.subTest(length=length):
                case_dir = os.path.join(self.workdir, str(length))
                prefix = os.path.join(case_dir, "")
                # Fill with directory components of at most 200 bytes so each stays a legal name.
                remaining = length - len(prefix) - len("/quillbrook")
                parts = []
                while remaining > 0:
                    part = min(remaining, 200)
                    if remaining - part == 1:
                        part -= 2  # a component needs at least one byte after its slash
                    parts.append("d" * part)
                    remaining -= part + 1
                bin_dir = os.path.join(case_dir, *parts)
                self.assertEqual(len(os.path.join(bin_dir, "quillbrook")), length)
                cwd = os.path.join(case_dir, "cwd")
                os.makedirs(cwd)
                run = self.run_program(self.install(bin_dir), cwd=cwd)
                self.assertWholeConsole(run, "Report: " + os.path.join(bin_dir, REPORT))
                self.assertReportMatches(run, self.read_report(bin_dir))
                self.assertEqual(os.listdir(cwd), [])

    def test_a_planted_link_is_replaced_never_written_through(self):
        victim = os.path.join(self.workdir, "victim")
        with open(victim, "wb") as file:
            file.write(b"precious\n")
        os.symlink(victim, os.path.join(self.workdir, REPORT))
        run = self.run_program(self.install())
        self.assertWholeConsole(run, "Report: %s/%s" % (self.workdir, REPORT))
        self.assertFalse(os.path.islink(os.path.join(self.workdir, REPORT)))
        self.assertReportMatches(run, self.read_report(self.workdir))
        with open(victim, "rb") as file:
            self.assertEqual(file.read(), b"precious\n")

    def test_failures_print_the_message_and_leave_the_exit_code_alone(self):
        program = self.install()
        baseline = self.run_program(program)
        path = os.path.join(self.workdir, REPORT)
        os.remove(path)
        os.mkdir(path)  # a directory in the way: neither renamed over nor written into
        run = self.run_program(program)
        self.assertWholeConsole(run, FAILED)
        self.assertEqual(run.exit_code, baseline.exit_code)
        self.assertTrue(os.path.isdir(path))
        self.assertEqual(sorted(os.listdir(self.workdir)), ["quillbrook", REPORT], "no new file left beside")

    def run_in_namespace(self, script, bin_dir, cwd, home):
        """Runs the installed program after script (mounts) in a private mount namespace."""
        if os.geteuid() != 0:
            self.skipTest("a private mount namespace needs root")
        env = dict(os.environ, HOME=home) if home else {k: v for k, v in os.environ.items() if k != "HOME"}
        completed = subprocess.run(
            ["unshare", "--mount", "--propagation", "private", "sh", "-c",
             "set -e; %s; cd \"$2\"; exec \"$1/quillbrook\" </dev/null" % script, "sh", bin_dir, cwd],
            env=env, capture_output=True, timeout=20)
        self.assertEqual(completed.stderr, b"")
        return Run(completed)

    def test_a_full_medium_mid_report_leaves_the_old_report_whole(self):
        bin_dir = os.path.join(self.workdir, "stick")
        os.makedirs(bin_dir)
        old = BOM + b"the last good report\n"
        # A RAM disk holding the program and the old report, the rest filled: the new file is
        # created and its writing meets the full medium.
        script = ('mount -t tmpfs -o size=%dk tmpfs "$1"; cp %s "$1/"; printf "%%s" "%s" > "$1/%s"; '
                  'dd if=/dev/zero of="$1/fill" bs=4k 2>/dev/null || true') % (
                      os.path.getsize(BINARY) // 1024 + 1024, BINARY, old.decode("utf-8"), REPORT)
        run = self.run_in_namespace(script + '; cd "$1"; "$1/quillbrook" </dev/null || true; cat "$1/%s"; ls "$1"; exit 0'
                                    % REPORT, bin_dir, bin_dir, None)
        text = run.stdout.decode("utf-8")
        console, rest = text.split(report_model.PROMPT)
        assessment = report_model.parse_console(console + report_model.PROMPT)
        self.assertSameText(report_model.console_text(assessment, FAILED), console + report_model.PROMPT)
        self.assertEqual(rest, old.decode("utf-8") + "fill\nquillbrook\n" + REPORT + "\n")

    def test_a_read_only_place_gives_the_reason_then_the_current_or_home_directory(self):
        bin_dir, elsewhere = os.path.join(self.workdir, "ro"), os.path.join(self.workdir, "rw")
        self.install(bin_dir)
        os.makedirs(elsewhere)
        read_only = 'mount --bind "$1" "$1"; mount -o remount,bind,ro "$1"'
        refused = report_model.BESIDE_REFUSED + "Read-only file system\n"
        # current directory, home directory, where the report goes (None: nowhere)
        cases = [(elsewhere, None, elsewhere), (bin_dir, elsewhere, elsewhere), (bin_dir, bin_dir, None),
                 (bin_dir, None, None)]
        for cwd, home, expected in cases:
            with self.subTest(cwd=cwd, home=home):
                run = self.run_in_namespace(read_only, bin_dir, cwd, home)
                line = refused + ("Report: %s/%s" % (expected, REPORT) if expected else FAILED)
                self.assertWholeConsole(run, line)
                if expected:
                    self.assertReportMatches(run, self.read_report(expected))
                    os.remove(os.path.join(expected, REPORT))
                self.assertEqual(os.listdir(bin_dir), ["quillbrook"])


if __name__ == "__main__":
    unittest.main()
