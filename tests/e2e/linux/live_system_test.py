"""The system-drive line on a live system, through the real binary.

The program runs chrooted in a private mount namespace whose root is a RAM disk (tmpfs) or
an overlay over one, as on a live medium, with a /sys/block staged as the kernel lays it out.
"""

import os
import re
import shutil
import subprocess
import unittest

import report_model
from harness import BinaryTestCase, BOM, REPORT

DRIVE = "Systemlaufwerk >= 64 GiB"
ROOT_SIZE = "64m"  # the RAM disk's own capacity, 0.1 GiB

# Runs inside the namespace: $1 mount point, $2 staged tree, $3 tmpfs or overlay, $4 folder for the report.
IN_NAMESPACE = r"""
set -eu
root=$1
mount -t tmpfs -o size=%s tmpfs "$root"
if [ "$3" = overlay ]; then
  mkdir "$root/lower" "$root/upper" "$root/work" "$root/merged"
  cp -a "$2/." "$root/lower"
  mount -t overlay overlay -o "lowerdir=$root/lower,upperdir=$root/upper,workdir=$root/work" "$root/merged"
  root=$root/merged
else
  cp -a "$2/." "$root"
fi
mount -t proc proc "$root/proc"
code=0
chroot "$root" /live/quillbrook </dev/null || code=$?
cp "$root/live/%s" "$4"
exit $code
""" % (ROOT_SIZE, REPORT)


class LiveSystem(BinaryTestCase):
    def setUp(self):
        super().setUp()
        if os.geteuid() != 0:
            self.skipTest("a private mount namespace and chroot need root")

    def stage(self, directory, disks):
        """A root tree with the program, what a dynamic build loads, /proc and /sys/block.

        disks maps a name to (device folder under /sys/devices or None for a virtual disk,
        removable, sectors).
        """
        stage = os.path.join(directory, "stage")
        os.makedirs(os.path.join(stage, "proc"))
        self.install(os.path.join(stage, "live"))
        libraries = subprocess.run(["ldd", os.path.join(stage, "live", "quillbrook")], capture_output=True,
                                   text=True).stdout
        for library in re.findall(r"(/\S+) \(0x", libraries):
            os.makedirs(os.path.dirname(stage + library), exist_ok=True)
            shutil.copy2(library, stage + library)
        block = os.path.join(stage, "sys", "block")
        os.makedirs(block)
        for name, (parent, removable, sectors) in disks.items():
            folder = os.path.join("devices", parent or "virtual/block", name)
            os.makedirs(os.path.join(stage, "sys", folder))
            for attribute, value in (("removable", removable), ("size", sectors)):
                with open(os.path.join(stage, "sys", folder, attribute), "w") as file:
                    file.write("%d\n" % value)
            if parent:
                os.symlink("../../" + os.path.basename(parent), os.path.join(stage, "sys", folder, "device"))
            os.symlink(os.path.join("..", folder), os.path.join(block, name))
        return stage

    def run_live(self, directory, root_kind, disks):
        stage = self.stage(directory, disks)
        mount_point = os.path.join(directory, "root")
        out = os.path.join(directory, "out")
        os.makedirs(mount_point)
        os.makedirs(out)
        completed = subprocess.run(
            ["unshare", "--mount", "--propagation", "private", "sh", "-c", IN_NAMESPACE, "sh", mount_point, stage,
             root_kind, out], stdin=subprocess.DEVNULL, capture_output=True, timeout=30)
        self.assertEqual(completed.stderr, b"", "the namespace, the chroot or the program complained")
        with open(os.path.join(out, REPORT), "rb") as file:
            return completed, file.read()

    def test_the_largest_built_in_disk_is_judged(self):
        nvme = "pci0000:00/0000:00:1d.0/nvme/nvme0"
        emmc = "platform/80860F14:00/mmc_host/mmc0/mmc0:0001"
        usb = "pci0000:00/0000:00:14.0/usb2/2-1/2-1:1.0/host0/target0:0:0/0:0:0:0"
        cases = [
            ("tmpfs", {"nvme0n1": (nvme, 0, 1000215216), "sda": (usb, 1, 3907029168), "loop0": (None, 0, 2 ** 40),
                       "sr0": ("pci0000:00/0000:00:17.0/ata2/host1/target1:0:0/1:0:0:0", 0, 2 ** 40)},
             True, "Kapazitaet 476.9 GiB"),
            ("overlay", {"mmcblk0": (emmc, 0, 62521344), "mmcblk0boot0": (emmc, 0, 8192),
                         "sda": (usb, 1, 250069680)},
             False, "Kapazitaet 29.8 GiB"),
            ("tmpfs", {"sda": (usb, 1, 3907029168)}, False, "Kapazitaet 0.1 GiB"),
        ]
        for number, (root_kind, disks, passed, detail) in enumerate(cases):
            with self.subTest(root=root_kind, disks=sorted(disks)):
                completed, report = self.run_live(os.path.join(self.workdir, str(number)), root_kind, disks)
                text = completed.stdout.decode("utf-8")
                assessment = report_model.parse_console(text)
                self.assertEqual(assessment.technical[-1], report_model.Item(DRIVE, passed, detail))
                self.assertSameText(report_model.console_text(assessment, "Report: /live/" + REPORT), text)
                self.assertSameText(BOM.decode("utf-8") + report_model.report_text(assessment),
                                    report.decode("utf-8"))
                self.assertEqual(completed.returncode, assessment.exit_code)


if __name__ == "__main__":
    unittest.main()
