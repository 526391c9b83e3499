"""Builds directories of reports for quillbrook-fleet and runs the tool over them.

Reports are the exact text report_model writes for a machine, so the tool reads what the
program writes; the expected counts come from the same machines, not from the tool.
"""

import argparse
import json
import os
import re
import shutil
import subprocess
import sys
import tempfile
import threading
import unittest

sys.path.insert(0, os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
import report_model  # noqa: E402  (found through the path set just above)
from report_model import Item  # noqa: E402

CONFIG = argparse.Namespace(fleet=None, quillbrook=None, launcher=None)
BOM = b"\xef\xbb\xbf"
CHECK_NAMES = ["64-Bit CPU", "64-Bit Betriebssystem", "SSE4.2", "POPCNT", "NX / XD Bit", "CMPXCHG16b", "LAHF/SAHF",
               "PrefetchW (AMD)", "RAM >= 4 GiB", "Systemlaufwerk >= 64 GiB", "UEFI-Boot", "Secure Boot", "TPM 2.0"]
INTEL = ("Intel(R) Core(TM) i5-8500 CPU @ 3.00GHz", "GenuineIntel")
AMD = ("AMD Ryzen 5 3600 6-Core Processor", "AuthenticAMD")
TPM_NOT_FOUND = "nicht verfuegbar (TBS Fehler 2150121487)"


def machine(processor=INTEL, failed=None):
    """An assessment in which the checks named in failed (name -> detail) fail."""
    failed = failed or {}
    details = {"RAM >= 4 GiB": "8.0 GiB installiert", "Systemlaufwerk >= 64 GiB": "Kapazitaet 238.4 GiB",
               "UEFI-Boot": "aktiv", "Secure Boot": "aktiviert", "TPM 2.0": "TPM 2.0 erkannt"}
    a = report_model.Assessment(brand=processor[0], vendor=processor[1])
    for index, name in enumerate(CHECK_NAMES):
        if name == "PrefetchW (AMD)" and a.vendor != "AuthenticAMD":
            continue
        item = Item(name, name not in failed, failed.get(name, details.get(name, "vorhanden")))
        (a.technical if index < 10 else a.official).append(item)
    return a


# The kinds of machine a fleet holds, each with the verdict class it belongs to.
MACHINE_TYPES = {
    "compatible": machine(),
    "firmware": machine(AMD, {"UEFI-Boot": "Legacy/BIOS", "Secure Boot": "nicht verfuegbar im Legacy/BIOS-Modus"}),
    "secure-boot-off": machine(INTEL, {"Secure Boot": "deaktiviert"}),
    "no-tpm": machine(INTEL, {"TPM 2.0": TPM_NOT_FOUND}),
    "old-cpu": machine(("Intel(R) Core(TM)2 Duo CPU E8400 @ 3.00GHz", "GenuineIntel"),
                       {"SSE4.2": "fehlt", "POPCNT": "fehlt", "Systemlaufwerk >= 64 GiB": "Kapazitaet 59.6 GiB",
                        "TPM 2.0": "nur TPM 1.2 erkannt"}),
    "amd-no-prefetchw": machine(("AMD Athlon(tm) 64 X2", "AuthenticAMD"), {"PrefetchW (AMD)": "fehlt"}),
    "kaby-lake": machine(("Intel(R) Core(TM) i7-7700 CPU @ 3.60GHz", "GenuineIntel")),
}

# What the work list says of each type: category, actions, processor on the vendor's list. Without an
# inventory nobody could ask whether BitLocker is on, so a firmware step comes after checking it.
WORK = {"compatible": ("ready", [], "yes"),
        "firmware": ("firmware", ["check_bitlocker", "enable_uefi", "enable_secure_boot"], "yes"),
        "secure-boot-off": ("firmware", ["check_bitlocker", "enable_secure_boot"], "yes"),
        "no-tpm": ("firmware", ["check_bitlocker", "enable_tpm"], "yes"),
        "old-cpu": ("replace", ["replace_pc"], "no"),
        "amd-no-prefetchw": ("replace", ["replace_pc"], "no"), "kaby-lake": ("cpu_not_listed", ["replace_pc"], "no")}
CATEGORIES = ["replace", "cpu_not_listed", "upgrade", "tpm_hardware", "firmware", "vm_settings", "check", "ready"]
CATEGORY_WORDS = dict(zip(CATEGORIES, ["Ersetzen", "CPU nicht auf der Liste", "Aufrüsten", "TPM-Hardware",
                                       "Firmware-Einstellungen", "VM-Einstellungen", "Vor Ort prüfen", "Bereit"]))


def report_bytes(assessment, bom=True, crlf=False, utf16=False, console=False):
    """The report as written, or as Windows PowerShell 5.1 saves a copy with '>' (utf16); console: what the
    program printed, saved from its standard output."""
    text = (report_model.console_text(assessment, "Report: C:\\Temp\\quillbrook-report.txt") if console
            else report_model.report_text(assessment))
    if crlf or utf16:
        text = text.replace("\n", "\r\n")
    if utf16:
        return b"\xff\xfe" + text.encode("utf-16-le")
    return (BOM if bom else b"") + text.encode("utf-8")


def write(path, data):
    os.makedirs(os.path.dirname(path), exist_ok=True)
    with open(path, "wb") as f:
        f.write(data)


def gib_bytes(detail):
    """The bytes of a "x.y GiB" figure at the start of a detail or after "Kapazitaet ", or None."""
    figure = detail.removeprefix("Kapazitaet ").split(" GiB")[0]
    whole, _, tenth = figure.partition(".")
    return (int(whole + tenth) * 2 ** 30 + 5) // 10 if whole.isdigit() and len(tenth) == 1 else None


# The counts at the top, each the sum of these categories, and what goes on the purchase order: the machines
# of these categories, where a step is named only those with that step.
TOP_COUNTS = {"hardware_needed": CATEGORIES[:4], "settings_only": ["firmware"], "vm_settings": ["vm_settings"],
              "check": ["check"], "ready": ["ready"]}
PURCHASES = {"new_pcs": (["replace", "cpu_not_listed"], None), "memory": (["upgrade", "tpm_hardware"], "add_memory"),
             "disks": (["upgrade", "tpm_hardware"], "larger_disk"),
             "tpm_modules": (["upgrade", "tpm_hardware"], "tpm_upgrade"), "firmware_only": (["firmware"], None),
             "vms": (["vm_settings"], None)}


def expected_summary(assessments, unreadable, missing=0, work=(), superseded=0):
    """The JSON summary the tool must give for these machines; work holds their WORK entries."""
    failures = {name: 0 for name in CHECK_NAMES}
    for a in assessments:
        for item in a.technical + a.official:
            failures[item.name] += not item.passed
    by_category = {c: [category for category, _, _ in work].count(c) for c in CATEGORIES}
    purchases = {key: sum(c in categories and (step is None or step in actions) for c, actions, _ in work)
                 for key, (categories, step) in PURCHASES.items()}
    return dict({key: sum(by_category[c] for c in categories) for key, categories in TOP_COUNTS.items()},
                machines=len(assessments), missing=missing, unreadable=unreadable, conflicts=0,
                superseded=superseded, by_category=by_category, failures_by_check=failures, purchases=purchases)


def inventory(name, **facts):
    """NAME.inventory.json's bytes with these facts."""
    return json.dumps(dict({"computer_name": name, "collected": "2026-12-09T10:33:49Z"}, **facts)).encode()


def german_detail(detail):
    """A check's detail as the fleet's CSV shows it: its size with a decimal comma."""
    return re.sub(r"(\d+)\.(\d) GiB", r"\1,\2 GiB", detail)


def load_json(path):
    """An output of the tool as PowerShell's ConvertFrom-Json takes it, which refuses an object whose keys
    differ only in letter case."""
    def unique(pairs):
        keys = [key.lower() for key, _ in pairs]
        if len(set(keys)) != len(keys):
            raise ValueError("keys given twice: %r" % sorted(keys))
        return dict(pairs)
    with open(path, encoding="utf-8") as f:
        return json.load(f, object_pairs_hook=unique)


class Run:
    def __init__(self, code, stdout, stderr, usage=None):
        self.code = code
        self.stdout = stdout.decode("utf-8").replace("\r\n", "\n")
        self.stderr = stderr.decode("utf-8", "replace")
        # What the run cost: processor seconds and peak resident MiB, as the kernel counted them.
        self.seconds = usage and usage.ru_utime + usage.ru_stime
        self.mebibytes = usage and usage.ru_maxrss / 1024


class FleetTestCase(unittest.TestCase):
    """Each test gets a scratch directory to lay reports out in and run the tool from."""

    maxDiff = None

    def setUp(self):
        self.workdir = tempfile.mkdtemp(prefix="quillbrook-fleet-")
        self.addCleanup(shutil.rmtree, self.workdir, ignore_errors=True)

    def path(self, *parts):
        return os.path.join(self.workdir, *parts)

    def run_fleet(self, *args, cwd=None):
        # Files keep the tool's output off a pipe that Wine's helpers would hold open.
        with tempfile.TemporaryFile() as out, tempfile.TemporaryFile() as err:
            command = ([CONFIG.launcher] if CONFIG.launcher else []) + [CONFIG.fleet] + list(args)
            process = subprocess.Popen(command, cwd=cwd or self.workdir, stdin=subprocess.DEVNULL, stdout=out,
                                       stderr=err)
            timer = threading.Timer(120, process.kill)
            timer.start()
            try:
                _, status, usage = os.wait4(process.pid, 0)  # the run's own usage, not all children's
            finally:
                timer.cancel()
            process.returncode = os.waitstatus_to_exitcode(status)
            out.seek(0)
            err.seek(0)
            return Run(process.returncode, out.read(), err.read(), usage)


def counts_in(summary_text):
    """The "label : number" lines of the summary text."""
    counts = {}
    for line in summary_text.split("\n"):
        label, sep, value = line.rpartition(" : ")
        if sep and value.isdigit():
            counts[label.strip()] = int(value)
    return counts


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--fleet", required=True, help="quillbrook-fleet as built")
    parser.add_argument("--quillbrook", help="the assessment program, for a report of this machine")
    parser.add_argument("--launcher", help="runs the Windows build (cmake/wine-run)")
    args, rest = parser.parse_known_args()
    vars(CONFIG).update({key: value and os.path.abspath(value) for key, value in vars(args).items()})
    unittest.main(argv=[sys.argv[0]] + rest, verbosity=2)
