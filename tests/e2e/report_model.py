"""An independent model of what a run prints and writes, for end-to-end checks.

The end-to-end tests cannot know the machine's answers in advance, so they read the
items back from the program's own console output and rebuild, from those items alone,
the whole console text, the report file and the exit code. Any byte the program gets
wrong in layout, verdicts, blockers or hint then shows as a difference.
"""

from dataclasses import dataclass, field

SEPARATOR = "-" * 66
HINT_FULL = ("Hinweis: Dieses System erfuellt die technischen Kernanforderungen und die offiziellen "
             "Microsoft-Anforderungen.\n")
HINT_OFFICIAL = ("Hinweis: Die technischen Kernanforderungen sind erfuellt, aber mindestens eine "
                 "offizielle Microsoft-Anforderung fehlt.\n")
HINT_TECHNICAL = ("Hinweis: Es fehlen echte technische Voraussetzungen. Eine Installation ist in "
                  "diesem Zustand technisch nicht sinnvoll.\n")
REPORT_FAILED = "Report konnte nicht gespeichert werden."
# Before the report line when the folder beside the program took no file; the system's reason follows.
BESIDE_REFUSED = "Speichern neben dem Programm nicht moeglich: "
PROMPT = "\nBeliebige Taste zum Beenden...\n"


@dataclass
class Item:
    name: str
    passed: bool
    detail: str


@dataclass
class Assessment:
    brand: str = ""
    vendor: str = ""
    technical: list = field(default_factory=list)
    official: list = field(default_factory=list)

    @property
    def technically_compatible(self):
        return all(item.passed for item in self.technical)

    @property
    def officially_compatible(self):
        return self.technically_compatible and all(item.passed for item in self.official)

    @property
    def exit_code(self):
        if self.officially_compatible:
            return 0
        return 1 if self.technically_compatible else 2


def blockers(items):
    return [item.name + (" - " + item.detail if item.detail else "") for item in items if not item.passed]


def item_line(item):
    line = "[" + ("OK " if item.passed else "NO ") + "] " + item.name.ljust(26)
    return line + (" : " + item.detail if item.detail else "") + "\n"


def verdict_line(label, value):
    return label.ljust(34) + " : " + ("JA" if value else "NEIN") + "\n"


def hint(a):
    if not a.technically_compatible:
        return HINT_TECHNICAL
    return HINT_FULL if a.officially_compatible else HINT_OFFICIAL


def _results(a):
    text = "".join([
        verdict_line("Technisch kompatibel", a.technically_compatible),
        verdict_line("Offiziell kompatibel", a.officially_compatible),
        verdict_line("Technisch geeignet", a.technically_compatible),
    ])
    for title, lines in (("Echte technische Blocker:", blockers(a.technical)),
                         ("Offizielle Blocker:", blockers(a.official))):
        if lines:
            text += "\n" + title + "\n" + "".join(" - " + line + "\n" for line in lines)
    return text + "\n" + hint(a)


def console_text(a, report_line):
    """The console text without colour, from the product line to the key prompt."""
    return ("Quillbrook\nWindows-11-Kompatibilitaetspruefung\n" + SEPARATOR + "\n"
            + "CPU    : " + a.brand + "\nVendor : " + a.vendor + "\n" + SEPARATOR + "\n"
            + "[Technische Mindestanforderungen]\n" + "".join(map(item_line, a.technical))
            + SEPARATOR + "\n[Offizielle Microsoft-Anforderungen]\n" + "".join(map(item_line, a.official))
            + SEPARATOR + "\n[Ergebnis]\n" + _results(a)
            + "\n" + report_line + "\n" + PROMPT)


def report_text(a):
    """The report file's text, without its byte-order mark."""
    return ("Quillbrook\n" + "=" * 66 + "\n\n"
            + "CPU    : " + a.brand + "\nVendor : " + a.vendor + "\n\n"
            + "[Technische Mindestanforderungen]\n" + "".join(map(item_line, a.technical))
            + "\n[Offizielle Microsoft-Anforderungen]\n" + "".join(map(item_line, a.official))
            + "\n[Ergebnis]\n" + _results(a))


def _parse_item(line):
    if not (line.startswith("[OK ] ") or line.startswith("[NO ] ")):
        raise ValueError("not an item line: %r" % line)
    rest = line[6:]
    # Names of up to 26 characters are padded, so " : " starts right after the field.
    if len(rest) > 26 and rest[26:29] == " : ":
        name, detail = rest[:26], rest[29:]
    elif " : " in rest:
        name, detail = rest.split(" : ", 1)
    else:
        name, detail = rest, ""
    return Item(name.rstrip(" "), line.startswith("[OK "), detail)


def parse_console(text):
    """Reads brand, vendor and both item lists back from the plain console text."""
    lines = text.split("\n")
    a = Assessment()
    section = None
    for line in lines:
        if line.startswith("CPU    : "):
            a.brand = line[len("CPU    : "):]
        elif line.startswith("Vendor : "):
            a.vendor = line[len("Vendor : "):]
        elif line == "[Technische Mindestanforderungen]":
            section = a.technical
        elif line == "[Offizielle Microsoft-Anforderungen]":
            section = a.official
        elif line == SEPARATOR:
            section = None
        elif section is not None:
            section.append(_parse_item(line))
    return a


def first_difference(expected, actual):
    """A short description of where two texts part, for assertion messages."""
    if expected == actual:
        return "identical"
    e_lines, a_lines = expected.split("\n"), actual.split("\n")
    for number, (e, got) in enumerate(zip(e_lines, a_lines), start=1):
        if e != got:
            return "line %d: expected %r, got %r" % (number, e, got)
    return "line counts differ: expected %d, got %d" % (len(e_lines), len(a_lines))


# Colours as the Linux build writes them on a terminal.
NORMAL, GREY, GREEN, CYAN, RED, YELLOW = ("\x1b[0m", "\x1b[90m", "\x1b[92m", "\x1b[96m", "\x1b[91m", "\x1b[93m")


def coloured_console_text(a, report_line, report_colour=GREY):
    """The console text as a terminal receives it, every colour change in place."""
    def coloured(colour, text):
        return colour + text + NORMAL

    def check_line(item):
        line = coloured(GREEN if item.passed else RED, "[" + ("OK " if item.passed else "NO ") + "]")
        line += " " + item.name.ljust(26)
        return line + (coloured(GREY, " : " + item.detail) if item.detail else "") + "\n"

    def verdict(label, value, false_colour):
        return coloured(GREEN if value else false_colour, verdict_line(label, value))

    separator = coloured(GREY, SEPARATOR + "\n")
    text = CYAN + "Quillbrook\n" + GREY + "Windows-11-Kompatibilitaetspruefung\n" + NORMAL + separator
    text += "CPU    : " + a.brand + "\nVendor : " + a.vendor + "\n" + separator
    text += coloured(CYAN, "[Technische Mindestanforderungen]\n") + "".join(map(check_line, a.technical))
    text += separator + coloured(CYAN, "[Offizielle Microsoft-Anforderungen]\n")
    text += "".join(map(check_line, a.official))
    text += separator + coloured(CYAN, "[Ergebnis]\n")
    text += verdict("Technisch kompatibel", a.technically_compatible, RED)
    text += verdict("Offiziell kompatibel", a.officially_compatible, YELLOW)
    text += verdict("Technisch geeignet", a.technically_compatible, YELLOW)
    for title, colour, lines in (("Echte technische Blocker:\n", RED, blockers(a.technical)),
                                 ("Offizielle Blocker:\n", YELLOW, blockers(a.official))):
        if lines:
            text += "\n" + coloured(colour, title) + "".join(" - " + line + "\n" for line in lines)
    hint_colour = RED if not a.technically_compatible else GREEN if a.officially_compatible else YELLOW
    text += "\n" + coloured(hint_colour, hint(a))
    return text + "\n" + coloured(report_colour, report_line + "\n") + PROMPT


def strip_colours(text):
    for code in (NORMAL, GREY, GREEN, CYAN, RED, YELLOW):
        text = text.replace(code, "")
    return text
