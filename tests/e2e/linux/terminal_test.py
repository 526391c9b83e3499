"""The run on a real terminal: colours in place, one key ends it, the terminal is left as found."""

import fcntl
import os
import select
import signal
import subprocess
import termios
import time
import unittest

import report_model
from harness import BinaryTestCase, REPORT

PROMPT = b"Beliebige Taste zum Beenden..."


class TerminalRun(BinaryTestCase):
    def start_on_terminal(self, program, stdout=None, settings=None):
        """Runs the program (or a command list) as the session leader of a fresh pty; the test keeps both ends.

        Holding the terminal side open lets the test read what the program left in its input
        queue after it has gone, as the next program on that terminal (a shell) would.
        Returns the process, both ends and the terminal settings from before the run; settings,
        if given, are what someone else (a pager) set on the terminal before it starts.
        """
        master, terminal = os.openpty()
        self.addCleanup(os.close, master)
        self.addCleanup(os.close, terminal)
        before = termios.tcgetattr(terminal)
        if settings:
            termios.tcsetattr(terminal, termios.TCSANOW, settings(before))

        def take_terminal():
            fcntl.ioctl(0, termios.TIOCSCTTY, 0)

        process = subprocess.Popen(program if isinstance(program, list) else [program], cwd=self.workdir,
                                   stdin=terminal, stdout=stdout or terminal, stderr=terminal,
                                   start_new_session=True, preexec_fn=take_terminal)
        self.addCleanup(lambda: process.poll() is None and process.kill())
        return process, master, terminal, before

    def read_until(self, master, marker, seconds=10):
        data = b""
        deadline = time.monotonic() + seconds
        while marker not in data and time.monotonic() < deadline:
            ready, _, _ = select.select([master], [], [], 0.1)
            if ready:
                data += os.read(master, 4096)
        return data

    def wait_for_key_wait(self, process, master):
        """Reads the output up to the prompt and waits until the program reads keys raw."""
        shown = self.read_until(master, PROMPT + b"\r\n")
        self.assertIn(PROMPT, shown)
        deadline = time.monotonic() + 10
        while termios.tcgetattr(master)[3] & termios.ICANON and time.monotonic() < deadline:
            time.sleep(0.01)
        self.assertIsNone(process.poll(), "still waiting: no key has been pressed")
        return shown

    def wait_for_exit(self, process):
        try:
            return process.wait(timeout=10)
        except subprocess.TimeoutExpired:
            self.fail("the program did not end")

    def next_read(self, master, terminal):
        """What the next reader of the terminal gets once a line end is typed after the run.

        Bytes left in the queue come first; the kernel even hands them over on their own.
        """
        os.write(master, b"\n")
        return os.read(terminal, 1024)

    def test_colours_key_and_terminal_settings(self):
        process, master, terminal, before = self.start_on_terminal(self.install())
        shown = self.wait_for_key_wait(process, master)
        during = termios.tcgetattr(master)
        self.assertFalse(during[3] & termios.ECHO, "the key is read without echo")
        self.assertFalse(during[3] & termios.ICANON, "no Enter is needed")

        os.write(master, b"k")
        exit_code = self.wait_for_exit(process)
        shown += self.read_until(master, b"\x00", seconds=0.2)
        self.assertEqual(termios.tcgetattr(terminal), before, "terminal settings restored")

        text = shown.decode("utf-8").replace("\r\n", "\n")
        self.assertNotIn("k", text[text.index(PROMPT.decode()):], "the key is not echoed")
        assessment = report_model.parse_console(report_model.strip_colours(text))
        expected = report_model.coloured_console_text(
            assessment, "Report: %s/%s" % (os.path.realpath(self.workdir), REPORT))
        self.assertSameText(expected, text)
        self.assertEqual(exit_code, assessment.exit_code)

    def test_a_key_of_several_bytes_leaves_nothing_behind(self):
        keys = {"umlaut": "\u00e4".encode(), "arrow up": b"\x1b[A", "F5": b"\x1b[15~"}
        program = self.install()
        for key, sequence in keys.items():
            with self.subTest(key):
                process, master, terminal, _ = self.start_on_terminal(program)
                self.wait_for_key_wait(process, master)
                os.write(master, sequence)
                self.assertIn(self.wait_for_exit(process), (0, 1, 2))
                self.assertEqual(self.next_read(master, terminal), b"\n", "nothing left of the key")

    def test_ending_signals_restore_the_terminal_and_still_end_the_run(self):
        def press(keys):
            return lambda process, master: os.write(master, keys)

        def send(number):
            return lambda process, master: process.send_signal(number)

        endings = {"Ctrl+C": (press(b"\x03"), signal.SIGINT), "SIGTERM": (send(signal.SIGTERM), signal.SIGTERM),
                   "SIGHUP": (send(signal.SIGHUP), signal.SIGHUP), "Ctrl+\\": (press(b"\x1c"), signal.SIGQUIT)}
        program = self.install()
        for ending, (end, number) in endings.items():
            with self.subTest(ending):
                process, master, terminal, before = self.start_on_terminal(program)
                self.wait_for_key_wait(process, master)
                end(process, master)
                self.assertEqual(self.wait_for_exit(process), -number, "ended by the signal itself")
                self.assertEqual(termios.tcgetattr(terminal), before)

    def until(self, condition, what):
        deadline = time.monotonic() + 10
        while not condition() and time.monotonic() < deadline:
            time.sleep(0.01)
        self.assertTrue(condition(), what)

    def test_a_background_job_neither_waits_nor_touches_the_terminal(self):
        job = ["bash", "-c", 'set -m; "$0" & wait $!', self.install()]
        process, _, terminal, before = self.start_on_terminal(job)
        self.assertIn(self.wait_for_exit(process), (0, 1, 2))
        self.assertEqual(termios.tcgetattr(terminal), before)

    def test_output_to_a_file_or_a_pipe_ends_without_a_key_and_leaves_the_terminal_alone(self):
        def pager_raw(settings):
            return settings[:3] + [settings[3] & ~(termios.ICANON | termios.ECHO)] + settings[4:]

        # where the output goes, the terminal's settings as the run finds them (a pager's for a pipe)
        for situation, settings in (("file", None), ("pipe", pager_raw)):
            with self.subTest(situation):
                output = open(os.path.join(self.workdir, "out.txt"), "wb") if situation == "file" else subprocess.PIPE
                process, master, terminal, before = self.start_on_terminal(self.install(), output, settings)
                found = termios.tcgetattr(terminal)
                os.write(master, b"k")  # typed during the run: for the shell, not for the program
                self.assertIn(self.wait_for_exit(process), (0, 1, 2))
                (output if situation == "file" else process.stdout).close()
                self.assertEqual(termios.tcgetattr(terminal), found, "the terminal as the run found it")
                termios.tcsetattr(terminal, termios.TCSANOW, before)
                # Typed while the terminal was raw, the key may come on its own, before the line end.
                self.assertTrue(self.next_read(master, terminal).startswith(b"k"), "the key left for the next reader")

    def test_ctrl_z_gives_the_terminal_back_and_fg_takes_it_again(self):
        job = ["bash", "-c", 'set -m; "$0"; read -r _; fg', self.install()]
        process, master, terminal, before = self.start_on_terminal(job)
        self.wait_for_key_wait(process, master)
        os.write(master, b"\x1a")
        self.until(lambda: termios.tcgetattr(terminal) == before, "stopped with the terminal put back")
        os.write(master, b"\n")
        self.until(lambda: not termios.tcgetattr(terminal)[3] & termios.ICANON, "raw again after fg")
        os.write(master, b"k")
        self.assertIn(self.wait_for_exit(process), (0, 1, 2))
        self.assertEqual(termios.tcgetattr(terminal), before)


if __name__ == "__main__":
    unittest.main()
