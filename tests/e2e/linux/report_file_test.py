"""The report file beside the executable, through the real binary."""

import os
import unittest

import report_model
from harness import BinaryTestCase, BOM, REPORT

FAILED = "Report konnte nicht gespeichert werden."


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

    def test_failures_print_the_message_and_leave_the_exit_code_alone(self):
        program = self.install()
        baseline = self.run_program(program)
        os.remove(os.path.join(self.workdir, REPORT))
        blockers = {
            "directory in the way": lambda path: os.mkdir(path),
            # The report fits the stream's buffer, so only the flush meets the full device.
            "full device": lambda path: os.symlink("/dev/full", path),
        }
        for situation, block in blockers.items():
            with self.subTest(situation):
                path = os.path.join(self.workdir, REPORT)
                block(path)
                run = self.run_program(program)
                self.assertWholeConsole(run, FAILED)
                self.assertEqual(run.exit_code, baseline.exit_code)
                self.assertTrue(os.path.islink(path) or os.path.isdir(path), "nothing replaced the obstacle")
                (os.remove if os.path.islink(path) else os.rmdir)(path)


if __name__ == "__main__":
    unittest.main()
