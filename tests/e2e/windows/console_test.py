"""The real exe on Wine's console host, drawn into a terminal: colours, key wait, UTF-8.

Started inside a terminal, Wine runs the program under its console host, which draws the
console screen onto that terminal: text attributes arrive as colours, and keys typed into the
terminal reach the console's key read. tmux is that terminal here, and capture-pane reads back
every character with its colour, so the whole screen can be held against the model.
"""

import itertools
import os
import re
import shlex
import shutil
import subprocess
import time

import wine_harness
from wine_harness import CONFIG, REPORT_NAME, WineTestCase, windows_path
from report_model import PROMPT, coloured_console_text, parse_console

# Colours as tmux reports them, back to the console attribute's foreground and background bits.
FOREGROUND_OF_SGR = {0: 7, 39: 7, 90: 8, 92: 10, 96: 11, 91: 12, 93: 14, 97: 15}
BACKGROUND_OF_SGR = {40: 0, 49: 0, 44: 1}
PROMPT_LINE = PROMPT.strip("\n")
SECURE_BOOT_KEY = r"HKLM\SYSTEM\CurrentControlSet\Control\SecureBoot\State"
# How long a waiting program must stay alive without a key to count as waiting.
STILL_WAITING_SECONDS = 3
# Wine cannot even start an exe from a non-ASCII directory in the C locale.
UTF8_LOCALE = "C.UTF-8"


def screen_cells(ansi):
    """Lines of (character, attribute) pairs from text coloured with SGR sequences."""
    lines, line, foreground, background = [], [], 7, 0
    for token in re.split(r"(\x1b\[[0-9;]*m|\n)", ansi):
        if token == "\n":
            lines.append(line)
            line = []
        elif token.startswith("\x1b["):
            for code in map(int, (token[2:-1] or "0").split(";")):
                if code in BACKGROUND_OF_SGR:
                    background = BACKGROUND_OF_SGR[code]
                else:  # 0 resets both; any other colour fails the test here
                    foreground, background = FOREGROUND_OF_SGR[code], background if code else 0
        else:
            line.extend((character, background << 4 | foreground) for character in token)
    lines.append(line)
    return lines


def text_of(cells):
    return "".join(character for character, _ in cells).rstrip(" ")


def up_to_prompt(lines):
    texts = [text_of(line) for line in lines]
    return lines[:texts.index(PROMPT_LINE) + 1] if PROMPT_LINE in texts else lines


class Terminal:
    """A private tmux server. Every run gets a session of its own whose pane stays on the
    screen after the program ends."""

    def __init__(self, directory):
        self.directory = directory
        config = os.path.join(directory, "tmux.conf")
        with open(config, "w") as f:
            f.write("set -g remain-on-exit on\nset -g history-limit 2000\n")
        self.command = ["tmux", "-u", "-S", os.path.join(directory, "tmux.socket"), "-f", config]
        self.env = dict(os.environ, LC_ALL=UTF8_LOCALE)
        self.sessions = itertools.count()

    def tmux(self, *args, check=True):
        return subprocess.run(self.command + list(args), env=self.env, stdin=subprocess.DEVNULL,
                              capture_output=True, text=True, check=check).stdout

    def start(self, shell_command, cwd):
        session = "run%d" % next(self.sessions)
        # tmux can show a pane as dead before it has collected the exit status, or never
        # collect it at all when Wine's processes part from the terminal first; the shell
        # writes it down instead.
        status = shlex.quote(self.status_file(session))
        # Wide enough that no line of the report wraps, long paths included.
        self.tmux("new-session", "-d", "-s", session, "-x", "300", "-y", "80", "-c", cwd,
                  "%s; echo $? >%s.part && mv %s.part %s" % (shell_command, status, status, status))
        return session

    def status_file(self, session):
        return os.path.join(self.directory, session + ".status")

    def screen(self, session):
        return self.tmux("capture-pane", "-p", "-e", "-S", "-", "-t", session)

    def texts(self, session):
        """The screen's lines without colour or trailing blanks, tmux's own note on the ended pane left out."""
        return [text for text in map(text_of, screen_cells(self.screen(session)))
                if not text.startswith("Pane is dead")]

    def exit_status(self, session):
        """None while the program runs, else its exit status."""
        try:
            with open(self.status_file(session)) as f:
                return int(f.read())
        except FileNotFoundError:
            return None

    def press(self, session, key):
        # Wine's console host keeps the terminal raw, but its desktop process, started when a program first
        # asks the window manager anything, hands the terminal back cooked for a moment: a key typed then
        # would be echoed by the terminal itself.
        tty = self.tmux("display-message", "-p", "-t", session, "#{pane_tty}").strip()
        wait_until(lambda: "-echo" in subprocess.run(["stty", "-a", "-F", tty], capture_output=True,
                                                     text=True).stdout.split())
        self.tmux("send-keys", "-t", session, key)

    def close(self):
        self.tmux("kill-server", check=False)


def wait_until(condition, seconds=60):
    deadline = time.monotonic() + seconds
    while time.monotonic() < deadline:
        result = condition()
        if result is not None and result is not False:
            return result
        time.sleep(0.1)
    return None


class ConsoleRuns(WineTestCase):
    @classmethod
    def setUpClass(cls):
        super().setUpClass()
        cls.terminal = Terminal(cls.workspace)
        cls.addClassCleanup(cls.terminal.close)

    def start(self, wine_arguments, directory, tbs=None):
        """Starts wine with a shell-quoted argument line in a fresh terminal; tbs=(result, version)
        stages the TPM answer, else Wine's own TPM Base Services answer."""
        env = {"WINEPREFIX": self.prefix.root, "WINEDEBUG": "-all", "LC_ALL": UTF8_LOCALE,
               "WINEDLLOVERRIDES": "mscoree,mshtml=" + (";tbs=n,b" if tbs else "")}
        if tbs:
            env["QUILLBROOK_FAKE_TBS"] = "%d %d" % tbs
        assignments = " ".join(shlex.quote("%s=%s" % item) for item in env.items())
        return self.terminal.start("env %s wine %s" % (assignments, wine_arguments), directory)

    def program_in(self, name):
        directory = os.path.join(self.fresh_directory("console"), name)
        return directory, wine_harness.install_program(directory)

    def assertStillWaiting(self, session):
        time.sleep(STILL_WAITING_SECONDS)
        self.assertIsNone(self.terminal.exit_status(session), "the program ended without a key")

    def shown_when_waiting(self, session):
        """The screen once the prompt is up; the program must still run seconds later."""
        def with_prompt():
            screen = self.terminal.screen(session)
            return screen if PROMPT_LINE in screen else None
        shown = wait_until(with_prompt)
        self.assertIsNotNone(shown, "no prompt on the screen")
        self.assertStillWaiting(session)
        return shown

    def ended_with(self, session):
        status = wait_until(lambda: self.terminal.exit_status(session))
        self.assertIsNotNone(status, "the program did not end")
        return status

    def assertScreenMatchesModel(self, shown, report_line, window=0x07):
        """Every line's text and every non-blank character's colour in that window; returns the assessment."""
        actual = up_to_prompt(screen_cells(shown))
        assessment = parse_console("\n".join(map(text_of, actual)))
        expected = screen_cells(coloured_console_text(assessment, report_line))[:-1]
        for number, (want, got) in enumerate(itertools.zip_longest(expected, actual, fillvalue=[]), start=1):
            self.assertEqual(text_of(want), text_of(got), "line %d" % number)
            for column, ((character, model), (_, shown_attribute)) in enumerate(zip(want, got), start=1):
                attribute = window if model == 0x07 else window & 0xF0 | model
                if character != " " and attribute != shown_attribute:
                    self.fail("line %d, column %d (%r): attribute %d expected, %d shown: %r"
                              % (number, column, character, attribute, shown_attribute, text_of(got)))
        return assessment

    def test_colours_and_the_key_wait(self):
        # situation, program directory, staged TPM answer (None: Wine's own), Secure Boot value
        cases = [
            ("this machine, from a folder with umlauts", "Pr\u00fcfung \u00e4\u00f6\u00fc\u00df", None, None),
            ("TPM 2.0 and Secure Boot staged", "program", wine_harness.TPM_20, "1"),
        ]
        for situation, name, tbs, secure_boot in cases:
            with self.subTest(situation):
                if secure_boot:
                    self.prefix.reg("add", SECURE_BOOT_KEY, "/v", "UEFISecureBootEnabled", "/t", "REG_DWORD",
                                    "/d", secure_boot, "/f")
                directory, exe = self.program_in(name)
                session = self.start(shlex.quote(exe), directory, tbs)
                shown = self.shown_when_waiting(session)
                report = os.path.join(directory, REPORT_NAME)
                assessment = self.assertScreenMatchesModel(shown, "Report: " + windows_path(report))
                self.assertReportFile(report, assessment)
                if tbs:
                    self.assertEqual([item.passed for item in assessment.official], [False, True, True])

                self.terminal.press(session, "x")
                self.assertEqual(self.ended_with(session), assessment.exit_code)
                after = self.terminal.texts(session)
                self.assertFalse(any(after[after.index(PROMPT_LINE) + 1:]), "the key was echoed")

    def test_input_at_its_end_ends_the_run_at_once_in_colour(self):
        directory, exe = self.program_in("program")
        session = self.start(shlex.quote(exe) + " </dev/null", directory)
        status = self.ended_with(session)
        assessment = self.assertScreenMatchesModel(self.terminal.screen(session),
                                                   "Report: " + windows_path(os.path.join(directory, REPORT_NAME)))
        self.assertEqual(status, assessment.exit_code)

    def test_output_to_a_file_ends_at_once(self):
        directory, exe = self.program_in("program")
        output = os.path.join(directory, "output.txt")
        session = self.start(shlex.quote(exe) + " >" + shlex.quote(output), directory)
        # The file holds the plain report text, compared whole, with the verdict's exit code.
        status = self.ended_with(session)
        with open(output, "rb") as f:
            self.assertRunMatchesModel(wine_harness.Run(status, f.read()),
                                       "Report: " + windows_path(os.path.join(directory, REPORT_NAME)))
        self.assertFalse(any(self.terminal.texts(session)), "the console shows what went to the file")

    def test_a_console_without_a_window_does_not_wait(self):
        directory, exe = self.program_in("program")
        # A wait for a key nobody can press ends in the harness's time limit.
        self.assertIn(self.prefix.wine([CONFIG.hidden_launcher, exe], cwd=directory)[0], (1, 2))

    def test_the_fleet_tool_fails_where_the_console_refuses_its_summary(self):
        directory, exe = self.program_in("program")
        shutil.copy(CONFIG.fleet, directory)
        self.prefix.wine([exe], cwd=directory)
        fleet = windows_path(os.path.join(directory, "quillbrook-fleet.exe"))
        session = self.start("%s --console-input-as-output %s quillbrook-report.txt"
                             % (shlex.quote(CONFIG.hidden_launcher), shlex.quote(fleet)), directory)
        self.assertEqual(self.ended_with(session), 2)
        self.assertIn("quillbrook-fleet: die Standardausgabe konnte nicht geschrieben werden",
                      self.terminal.texts(session))

    def test_a_window_of_other_colours_keeps_its_background_and_gets_its_colours_back(self):
        directory, exe = self.program_in("program")
        session = self.start("cmd /c " + shlex.quote("color 1F & quillbrook.exe < NUL & echo after the run"), directory)
        self.ended_with(session)
        shown = self.terminal.screen(session)
        self.assertScreenMatchesModel(shown, "Report: " + windows_path(os.path.join(directory, REPORT_NAME)), 0x1F)
        after = [line for line in screen_cells(shown) if text_of(line) == "after the run"]
        self.assertEqual([{attribute for character, attribute in line if character != " "} for line in after],
                         [{0x1F}], "text after the run")

    def test_the_console_keeps_its_code_page_after_the_run(self):
        directory, exe = self.program_in("program")
        session = self.start("cmd /c " + shlex.quote("chcp & quillbrook.exe < NUL & chcp"), directory)
        self.ended_with(session)
        shown = self.terminal.texts(session)
        pages = [line for line in shown if line.startswith("Active code page: ")]
        self.assertEqual(len(pages), 2, shown)
        self.assertEqual(pages[0], pages[1], "the run left the console's code page changed")
        self.assertNotEqual(pages[0], "Active code page: 65001", "the test needs a console that starts elsewhere")
        self.assertIn(PROMPT_LINE, shown, "the program did not run between the two code pages")

    def test_the_console_keeps_its_code_page_while_the_program_waits(self):
        directory, exe = self.program_in("program")
        with open(os.path.join(directory, "run.bat"), "w", newline="") as f:
            # The second chcp comes once the test has seen the program wait for its key.
            f.write("@echo off\r\nchcp\r\nstart /b quillbrook.exe\r\n:wait\r\nif not exist asked goto wait\r\nchcp\r\n")
        session = self.start("cmd /c run.bat", directory)
        self.shown_when_waiting(session)
        open(os.path.join(directory, "asked"), "w").close()
        self.ended_with(session)
        self.terminal.press(session, "x")
        pages = [line for line in self.terminal.texts(session) if line.startswith("Active code page: ")]
        self.assertEqual(len(pages), 2, pages)
        self.assertEqual(pages[0], pages[1], "the console's code page changed while the program waited")


if __name__ == "__main__":
    wine_harness.main()
