"""Where the real exe puts quillbrook-report.txt under Wine, and what it holds."""

import os

import wine_harness
from wine_harness import REPORT_NAME, WineTestCase, windows_path
from report_model import PROMPT, REPORT_FAILED

EXE_NAME = "quillbrook.exe"
TPM_NOT_FOUND = (2150121487, 0)


def directory_for_exe_path(base, length):
    """A directory below base in which the exe's Windows path is exactly length UTF-16 units."""
    # Windows path = "Z:" + Linux path with backslashes; the exe adds its separator and name.
    wanted = length - len("Z:") - len("/" + EXE_NAME)
    path = os.path.realpath(base)
    if wanted - len(path) < 2:
        raise ValueError("base %r is too long for a path of %d units" % (base, length))
    while wanted - len(path) > 102:  # leaves at least one character for the last name
        path = os.path.join(path, "d" * 100)
    return os.path.join(path, "e" * (wanted - len(path) - 1))


class ReportFile(WineTestCase):
    def new_program(self):
        self.directory = self.fresh_directory("program")
        self.exe = wine_harness.install_program(self.directory)
        self.report = os.path.join(self.directory, REPORT_NAME)
        # The current directory is kept apart from the exe's: a report there would be misplaced.
        self.cwd = self.fresh_directory("cwd")

    def run_and_check(self, report_line, tbs=wine_harness.TPM_20):
        run = self.prefix.run_quillbrook(self.exe, cwd=self.cwd, tbs=tbs)
        return run, self.assertRunMatchesModel(run, report_line)

    def test_every_run_replaces_the_whole_file(self):
        # What the file holds before the run; each case starts with a fresh copy of the program.
        def nothing():
            pass

        def longer_garbage():
            with open(self.report, "wb") as f:
                f.write(b"\xef\xbb\xbfstale\r\n" + b"x" * 100000)

        def an_earlier_longer_report():
            # TPM errors make the report longer: a longer item line and one more blocker.
            run, earlier = self.run_and_check("Report: " + windows_path(self.report), tbs=TPM_NOT_FOUND)
            self.assertReportFile(self.report, earlier)

        for situation, prepare in (("no file yet", nothing), ("longer garbage", longer_garbage),
                                   ("earlier run's longer report", an_earlier_longer_report)):
            with self.subTest(situation):
                self.new_program()
                prepare()
                before = os.path.getsize(self.report) if os.path.exists(self.report) else 0
                run, assessment = self.run_and_check("Report: " + windows_path(self.report))
                self.assertReportFile(self.report, assessment)
                self.assertEqual(sorted(os.listdir(self.directory)), sorted([EXE_NAME, REPORT_NAME]))
                self.assertEqual(os.listdir(self.cwd), [])
                if before:
                    self.assertGreater(before, os.path.getsize(self.report), "the case must shrink the file")

    def test_an_exe_path_of_260_units_or_more_still_puts_the_report_beside_it(self):
        for length in (259, 260, 261, 1000):  # Windows path length of the exe
            with self.subTest(length=length):
                directory = directory_for_exe_path(self.fresh_directory("long"), length)
                exe = wine_harness.install_program(directory)
                self.assertEqual(len(windows_path(exe)), length)
                cwd = self.fresh_directory("cwd")

                run = self.prefix.run_quillbrook(exe, cwd=cwd)
                written, stray = os.path.join(directory, REPORT_NAME), os.path.join(cwd, REPORT_NAME)
                report_line = "Report: " + windows_path(written)
                assessment = self.assertRunMatchesModel(run, report_line)
                self.assertReportFile(written, assessment)
                self.assertFalse(os.path.exists(stray), stray)

    def test_report_path_taken_by_a_directory(self):
        self.new_program()
        expected_exit = self.run_and_check("Report: " + windows_path(self.report))[0].exit_code

        self.new_program()
        os.mkdir(self.report)
        run, assessment = self.run_and_check(REPORT_FAILED)
        self.assertTrue(run.text.endswith("\n" + REPORT_FAILED + "\n" + PROMPT), run.text[-200:])
        self.assertEqual(run.exit_code, expected_exit, "the failed report changed the exit code")
        self.assertTrue(os.path.isdir(self.report))
        self.assertEqual(os.listdir(self.report), [])
        self.assertEqual(sorted(os.listdir(self.directory)), sorted([EXE_NAME, REPORT_NAME]))
        self.assertEqual(os.listdir(self.cwd), [])


if __name__ == "__main__":
    wine_harness.main()
