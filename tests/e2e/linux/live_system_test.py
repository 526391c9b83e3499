"""The system-drive, firmware and TPM lines on a live or installed system, through the real binary.

The program runs chrooted in a private mount namespace whose root is a RAM disk (tmpfs), an overlay over one,
as on a live medium, or ext4 on a loop device, with sysfs folders staged as the kernel lays them out.
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
STAGED = ("block", "bus", "class", "dev", "devices", "firmware")

# Runs inside the namespace: $1 mount point, $2 staged tree, $3 tmpfs, overlay or a loop device
# with ext4, $4 folder for the report, $5 sysfs or plain, $6 a loop device to mount as /medium or "",
# $7 one to mount as /sysroot of an ostree system or "". $TRACE, where set, runs the program.
IN_NAMESPACE = r"""
set -eu
root=$1
case $3 in
  /dev/*) mount "$3" "$root" ;;
  *) mount -t tmpfs -o size=%s tmpfs "$root" ;;
esac
if [ "$3" = overlay ]; then
  mkdir "$root/lower" "$root/upper" "$root/work" "$root/merged"
  cp -a "$2/." "$root/lower"
  mount -t overlay overlay -o "lowerdir=$root/lower,upperdir=$root/upper,workdir=$root/work" "$root/merged"
  root=$root/merged
else
  cp -a "$2/." "$root"
fi
if [ "$6" ]; then mount "$6" "$root/medium"; touch "$root/medium/rootfs.img"; fi
if [ "$7" ]; then mount "$7" "$root/sysroot"; touch "$root/run/ostree-booted"; fi
mount -t proc proc "$root/proc"
if [ "$5" = sysfs ]; then
  mount -t sysfs sysfs "$root/sys"
  for folder in %s; do mount --bind "$root/staged-sys/$folder" "$root/sys/$folder"; done
else
  mount --bind "$root/staged-sys" "$root/sys"
fi
code=0
${TRACE:-} chroot "$root" /live/quillbrook </dev/null || code=$?
cp "$root/live/%s" "$4"
exit $code
""" % (ROOT_SIZE, " ".join(STAGED), REPORT)

NVME = "pci0000:00/0000:00:1d.0/nvme/nvme0"
SATA = "pci0000:00/0000:00:17.0/ata1/host0/target0:0:0/0:0:0:0"
EMMC = "platform/80860F14:00/mmc_host/mmc0/mmc0:0001"
SD = "platform/80860F14:01/mmc_host/mmc1/mmc1:aaaa"
THUNDERBOLT = "pci0000:00/0000:00:07.0/0000:05:00.0/nvme/nvme1"
USB = "pci0000:00/0000:00:14.0/usb2/2-1/2-1:1.0/host2/target2:0:0/2:0:0:0"


def disk(parent, sectors, removable=0, dev="", **files):
    """A block device's folder under /sys/devices (None: a virtual one) and files, a name ending in / a folder."""
    return parent, dict(removable="%d\n" % removable, size="%d\n" % sectors, dev=dev + "\n", **files)


def part(name, number):
    return {name + "/partition": "1\n", name + "/dev": number + "\n"}


NVME_512 = disk(NVME, 1000215216, dev="259:0", **part("nvme0n1p3", "259:3"))
BIOS = {"firmware/acpi/tables/DSDT": ""}  # further files under /sys; an empty firmware folder is a masked one
UEFI32 = {"firmware/efi/fw_platform_size": "32\n", "bus/acpi/devices/MSFT0101:00/status": "15\n"}


class LiveSystem(BinaryTestCase):
    def setUp(self):
        super().setUp()
        if os.geteuid() != 0:
            self.skipTest("a private mount namespace and chroot need root")

    def loop_device(self, directory, name):
        """An ext4 image of 64 MiB on a fresh loop device; returns the device and its number."""
        image = os.path.join(directory, name + ".img")
        with open(image, "wb") as file:
            file.truncate(64 << 20)
        subprocess.run(["mkfs.ext4", "-q", "-F", image], check=True)
        device = subprocess.run(["losetup", "--find", "--show", image], check=True, capture_output=True,
                                text=True).stdout.strip()
        self.addCleanup(subprocess.run, ["losetup", "-d", device])
        number = os.stat(device).st_rdev
        return device, "%d:%d" % (os.major(number), os.minor(number))

    def write(self, path, text, numbers):
        os.makedirs(os.path.dirname(path), exist_ok=True)
        if not path.endswith("/"):
            with open(path, "w") as file:
                file.write(numbers.get(text.strip(), text.strip()) + "\n" if text else "")

    def stage(self, directory, disks, files, numbers):
        """A root tree with the program, what a dynamic build loads, and the staged sysfs folders."""
        stage = os.path.join(directory, "stage")
        for folder in ("proc", "sys", "medium", "sysroot", "run") + tuple("staged-sys/" + name for name in STAGED):
            os.makedirs(os.path.join(stage, folder))
        self.install(os.path.join(stage, "live"))
        libraries = subprocess.run(["ldd", os.path.join(stage, "live", "quillbrook")], capture_output=True,
                                   text=True).stdout
        for library in re.findall(r"(/\S+) \(0x", libraries):
            os.makedirs(os.path.dirname(stage + library), exist_ok=True)
            shutil.copy2(library, stage + library)
        sys = os.path.join(stage, "staged-sys")
        for folder in ("dev/block", "class/block"):
            os.makedirs(os.path.join(sys, folder), exist_ok=True)
        for path, text in files.items():
            self.write(os.path.join(sys, path), text, numbers)
        for name, (parent, attributes) in disks.items():
            folder = os.path.join("devices", parent or "virtual/block", name)
            for path, text in attributes.items():  # device/type is written through the device link
                self.write(os.path.join(sys, folder, path.replace("device/", "../")), text, numbers)
                if os.path.basename(path) == "dev" and text.strip():  # the disk's or a partition's number
                    device = os.path.normpath(os.path.join(folder, os.path.dirname(path)))
                    number = numbers.get(text.strip(), text.strip())
                    os.symlink("../../" + device, os.path.join(sys, "dev/block", number))
                    os.symlink("../../" + device, os.path.join(sys, "class/block", os.path.basename(device)))
            if parent:
                os.symlink("../../" + os.path.basename(parent), os.path.join(sys, folder, "device"))
            os.symlink(os.path.join("..", folder), os.path.join(sys, "block", name))
        return stage

    def run_live(self, directory, root_kind, disks, files, sys_kind, medium, trace=None):
        mount_point = os.path.join(directory, "root")
        out = os.path.join(directory, "out")
        os.makedirs(mount_point)
        os.makedirs(out)
        numbers, medium_device, sysroot_device = {}, "", ""
        if root_kind == "composefs":  # an overlay root with the ostree deployment's disk at /sysroot
            root_kind, (sysroot_device, numbers["SYSROOT"]) = "overlay", self.loop_device(directory, "sysroot")
        if root_kind == "ext4":
            root_kind, numbers["ROOT"] = self.loop_device(directory, "root")
        if medium:
            medium_device, numbers["MEDIUM"] = self.loop_device(directory, "medium")
        stage = self.stage(directory, disks, files, numbers)
        environment = dict(os.environ, TRACE="strace -f -qq -o " + trace) if trace else None
        completed = subprocess.run(
            ["unshare", "--mount", "--propagation", "private", "sh", "-c", IN_NAMESPACE, "sh", mount_point, stage,
             root_kind, out, sys_kind, medium_device, sysroot_device], stdin=subprocess.DEVNULL, capture_output=True,
            timeout=30, env=environment)
        self.assertEqual(completed.stderr, b"", "the namespace, the chroot or the program complained")
        with open(os.path.join(out, REPORT), "rb") as file:
            return completed, file.read()

    def test_the_disk_windows_would_go_to_and_what_cannot_be_seen(self):
        stick = disk(USB, 3907029168, removable=1)
        emmc = disk(EMMC, 62521344)
        unseen = "nicht ermittelbar (Container)"
        hidden = {name: (False, unseen) for name in ("UEFI-Boot", "Secure Boot", "TPM 2.0", DRIVE)}
        # root, disks, further files under /sys, /sys a sysfs or a plain folder, medium mounted, expected lines
        cases = [
            ("tmpfs", {"nvme0n1": NVME_512, "sda": stick, "loop0": disk(None, 2 ** 40),
                       "sr0": disk("pci0000:00/0000:00:17.0/ata2/host1/target1:0:0/1:0:0:0", 2 ** 40)},
             BIOS, "sysfs", False, {DRIVE: (True, "Kapazitaet 476.9 GiB")}),
            ("overlay", {"mmcblk0": emmc, "mmcblk0boot0": disk(EMMC, 8192), "sda": disk(USB, 250069680, 1)},
             BIOS, "sysfs", False, {DRIVE: (False, "Kapazitaet 29.8 GiB")}),
            ("tmpfs", {"sda": stick}, BIOS, "sysfs", False, {DRIVE: (False, "Kapazitaet konnte nicht gelesen werden")}),
            ("overlay", {"mmcblk0": emmc, "sdb": disk(USB, 976773168)}, BIOS, "sysfs", False,
             {DRIVE: (False, "Kapazitaet 29.8 GiB")}),
            ("tmpfs", {"mmcblk0": emmc, "mmcblk1": disk(SD, 250069680, **{"device/type": "SD"})}, BIOS, "sysfs", False,
             {DRIVE: (False, "Kapazitaet 29.8 GiB")}),
            ("ext4", {"nvme0n1": NVME_512, "loop0": disk(None, 1000, dev="ROOT", **{"loop/backing_file": "/medium/rootfs.img"}),
                      "sda": disk(SATA, 1953525168, dev="8:0", **part("sda1", "MEDIUM"))},
             BIOS, "sysfs", True, {DRIVE: (True, "Kapazitaet 931.5 GiB")}),  # the image's disk counts
            ("ext4", {"nvme0n1": NVME_512, "sda": disk(USB, 60088320, dev="8:0", **part("sda2", "ROOT"))},
             BIOS, "sysfs", False, {DRIVE: (True, "Kapazitaet 476.9 GiB")}),  # installed on a USB stick
            ("tmpfs", {"nvme1n1": disk(THUNDERBOLT, 1953525168, **{"device/../../removable": "removable"}),
                       "mmcblk0": emmc}, BIOS, "sysfs", False, {DRIVE: (False, "Kapazitaet 29.8 GiB")}),
            ("ext4", {"sda": disk(SATA, 250069680, dev="8:0"), "sdb": disk(SATA, 250069680, dev="8:16"),
                      "md126": disk(None, 500137984, dev="9:126", **{"slaves/sda/": "", "slaves/sdb/": ""},
                                    **{"md/metadata_version": "external:/md127/0"}, **part("md126p2", "ROOT"))},
             BIOS, "sysfs", False, {DRIVE: (True, "Kapazitaet 238.5 GiB")}),  # Intel RST RAID0 of two disks
            ("composefs", {"nvme0n1": disk(NVME, 97656250, dev="259:0", **part("nvme0n1p3", "SYSROOT")),
                           "sda": disk(SATA, 1953525168, dev="8:0")},
             BIOS, "sysfs", False, {DRIVE: (False, "Kapazitaet 46.6 GiB")}),  # the disk under /sysroot
            ("ext4", {"nvme0n1": NVME_512, "sda": disk(SATA, 1953525168, dev="8:0", **part("sda2", "ROOT"))},
             BIOS, "sysfs", False, {DRIVE: (True, "Kapazitaet 931.5 GiB")}),
            ("ext4", {"nvme0n1": NVME_512, "dm-0": disk(None, 1000, dev="ROOT", **{"slaves/nvme0n1p3/": ""}),
                      "sda": disk(SATA, 1953525168, dev="8:0")},
             BIOS, "sysfs", False, {DRIVE: (True, "Kapazitaet 476.9 GiB")}),
            ("tmpfs", {"nvme0n1": NVME_512}, {}, "sysfs", False, hidden),
            ("tmpfs", {"nvme0n1": NVME_512}, BIOS, "plain", False, hidden),
            ("tmpfs", {"nvme0n1": NVME_512}, UEFI32, "sysfs", False, {"UEFI-Boot": (False, "32-Bit-UEFI (startet kein 64-Bit-Windows)"),
                              "TPM 2.0": (False, "TPM vorhanden, kein Treiber")}),
        ]
        for number, (root_kind, disks, files, sys_kind, medium, lines) in enumerate(cases):
            with self.subTest(number=number, root=root_kind, disks=sorted(disks)):
                directory = os.path.join(self.workdir, str(number))
                completed, report = self.run_live(directory, root_kind, disks, files, sys_kind, medium)
                text = completed.stdout.decode("utf-8")
                assessment = report_model.parse_console(text)
                items = {item.name: (item.passed, item.detail) for item in assessment.technical + assessment.official}
                self.assertEqual({name: items.get(name) for name in lines}, lines)
                self.assertSameText(report_model.console_text(assessment, "Report: /live/" + REPORT), text)
                self.assertSameText(BOM.decode("utf-8") + report_model.report_text(assessment),
                                    report.decode("utf-8"))
                self.assertEqual(completed.returncode, assessment.exit_code)

    def test_a_live_run_asks_only_what_can_matter(self):
        """Loop devices cost nothing however many there are; the system calls after the program's execve."""
        if not shutil.which("strace"):
            self.skipTest("strace is not installed")
        with open(self.install(), "rb") as program:
            if b"__asan_init" in program.read():
                self.skipTest("a sanitized build makes calls of its own, and LeakSanitizer refuses to run under strace")
        for loops in (8, 30):
            with self.subTest(loops=loops):
                disks = {"vda": disk("pci0000:00/0000:00:02.0/virtio1", 536870912, dev="254:0"),
                         "zram0": disk(None, 8388608, dev="252:0")}
                for index in range(loops):
                    disks["loop%d" % index] = disk(None, 1000 if index < 6 else 0, dev="7:%d" % index,
                                                   **{"loop/backing_file": "/snap/core/%d.snap" % index})
                directory = os.path.join(self.workdir, str(loops))
                trace = os.path.join(self.workdir, "trace%d" % loops)
                completed, _ = self.run_live(directory, "tmpfs", disks, BIOS, "sysfs", False, trace)
                self.assertIn("Kapazitaet 256.0 GiB", completed.stdout.decode("utf-8"))
                with open(trace) as file:
                    lines = file.read().splitlines()
                start = next(i for i, line in enumerate(lines) if 'execve("/live/quillbrook"' in line)
                calls = [line for line in lines[start:] if not re.match(r"\d+ +(\+\+\+|---)", line)]
                self.assertLessEqual(len(calls), 80, "\n".join(calls))


if __name__ == "__main__":
    unittest.main()
