"""The run on a real terminal: colours in place, one key ends it, nothing echoed."""

import os
import pty
import select
import termios
import time
import unittest

import report_model
from harness import BinaryTestCase, REPORT

PROMPT = b"Beliebige Taste zum Beenden..."


class TerminalRun(BinaryTestCase):
    def start_on_terminal(self, program):
        pid, master = pty.fork()
        if pid == 0:
            os.chdir(self.workdir)
            os.execv(program, [program])
        self.addCleanup(os.close, master)
        return pid, master

    def read_until(self, master, marker, seconds=10):
        data = b""
        deadline = time.monotonic() + seconds
        while marker not in data and time.monotonic() < deadline:
            ready, _, _ = select.select([master], [], [], 0.1)
            if ready:
                try:
                    data += os.read(master, 4096)
                except OSError:  # the program has gone and closed its side
                    break
        return data

    def wait_for_exit(self, pid, seconds=10):
        deadline = time.monotonic() + seconds
        while time.monotonic() < deadline:
            done, status = os.waitpid(pid, os.WNOHANG)
            if done:
                return os.waitstatus_to_exitcode(status)
            time.sleep(0.02)
        os.kill(pid, 9)
        self.fail("the program did not end after the key press")

    def test_colours_key_and_terminal_settings(self):
        program = self.install()
        pid, master = self.start_on_terminal(program)
        shown = self.read_until(master, PROMPT + b"\r\n")
        self.assertIn(PROMPT, shown)

        # Still waiting: the key has not been pressed yet.
        time.sleep(0.3)
        self.assertEqual(os.waitpid(pid, os.WNOHANG), (0, 0))
        during = termios.tcgetattr(master)
        self.assertFalse(during[3] & termios.ECHO, "the key is read without echo")
        self.assertFalse(during[3] & termios.ICANON, "no Enter is needed")

        os.write(master, b"k")
        shown += self.read_until(master, b"\x00", seconds=1)
        exit_code = self.wait_for_exit(pid)
        after = termios.tcgetattr(master)
        self.assertTrue(after[3] & termios.ECHO and after[3] & termios.ICANON, "terminal settings restored")

        text = shown.decode("utf-8").replace("\r\n", "\n")
        self.assertNotIn("k", text[text.index(PROMPT.decode()):], "the key is not echoed")
        assessment = report_model.parse_console(report_model.strip_colours(text))
        expected = report_model.coloured_console_text(
            assessment, "Report: %s/%s" % (os.path.realpath(self.workdir), REPORT))
        self.assertSameText(expected, text)
        self.assertEqual(exit_code, assessment.exit_code)


if __name__ == "__main__":
    unittest.main()
