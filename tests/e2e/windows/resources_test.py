"""The exe's manifest and version resource, read back from the built binary."""

import os
import sys
import unittest
import xml.etree.ElementTree as ElementTree

import pefile

EXE, VERSION, FLEET_EXE, INVENTORY_EXE = (sys.argv.pop(1) for _ in range(4))
LICENSE = os.path.join(os.path.dirname(__file__), "..", "..", "..", "LICENSE")
RT_MANIFEST = 24
SUPPORTED_OS = {
    "{35138b9a-5d96-4fbd-8e2d-a2440225f93a}",  # Windows 7
    "{4a2f28e3-53b9-4441-ba9c-d69d4a4a6e38}",  # Windows 8
    "{1f676c76-80e1-4239-95bb-83d0f6d0da78}",  # Windows 8.1
    "{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}",  # Windows 10 and 11
}


def local(tag):
    return tag.rsplit("}", 1)[-1]


class Resources(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.pe = pefile.PE(EXE)
        cls.fleet_pe = pefile.PE(FLEET_EXE)
        cls.inventory_pe = pefile.PE(INVENTORY_EXE)

    def programs(self):
        return ((self.pe, "quillbrook", "Windows-11-Kompatibilitaetspruefung"),
                (self.fleet_pe, "quillbrook-fleet", "Zusammenfassung vieler Quillbrook-Berichte"),
                (self.inventory_pe, "quillbrook-inventory", "Geraeteinventar neben Quillbrook-Berichten"))

    def manifest(self, pe):
        for kind in pe.DIRECTORY_ENTRY_RESOURCE.entries:
            if kind.id == RT_MANIFEST:
                data = kind.directory.entries[0].directory.entries[0].data.struct
                return pe.get_data(data.OffsetToData, data.Size)
        self.fail("no manifest resource")

    def test_manifest_runs_as_invoker_on_every_supported_windows_with_long_paths(self):
        for pe, name, description in self.programs():
            with self.subTest(name):
                by_name = {}
                for element in ElementTree.fromstring(self.manifest(pe)).iter():
                    by_name.setdefault(local(element.tag), []).append(element)
                [level] = by_name["requestedExecutionLevel"]
                self.assertEqual(level.attrib, {"level": "asInvoker", "uiAccess": "false"})
                self.assertEqual({os_.attrib["Id"] for os_ in by_name["supportedOS"]}, SUPPORTED_OS)
                self.assertEqual([e.text for e in by_name["longPathAware"]], ["true"])
                self.assertEqual([e.text for e in by_name["description"]], [description])
                self.assertNotIn("activeCodePage", by_name, "the console code page is the program's own business")

    def test_only_known_dlls_are_imported_and_the_loader_takes_them_from_the_system_directory(self):
        for pe, name, _ in self.programs():
            with self.subTest(name):
                imports = {entry.dll.decode().lower(): {item.name.decode() for item in entry.imports}
                           for entry in pe.DIRECTORY_ENTRY_IMPORT}
                self.assertEqual(set(imports), {"kernel32.dll", "advapi32.dll", "msvcrt.dll"})
                # No CryptoAPI nor SystemFunction036: ADVAPI32 forwards them to CRYPTSP and CRYPTBASE, no known DLLs.
                self.assertLessEqual(imports["advapi32.dll"], {"AdjustTokenPrivileges", "LookupPrivilegeValueW",
                                                               "OpenProcessToken", "RegCloseKey", "RegGetValueW",
                                                               "RegOpenKeyExW"})
                # Read only where the header's entry points at it; DependentLoadFlags is Reserved1 to Debian's pefile.
                config = pe.DIRECTORY_ENTRY_LOAD_CONFIG.struct
                self.assertEqual(getattr(config, "DependentLoadFlags", getattr(config, "Reserved1", None)), 0x800)
                self.assertEqual(pe.OPTIONAL_HEADER.CheckSum, pe.generate_checksum())

    def test_version_resources_carry_the_project_version_and_german_texts(self):
        # All three exes are signed and deployed; AppLocker's publisher rules match these strings.
        for pe, name, description in self.programs():
            with self.subTest(name):
                self.check_version_resource(pe, name, description)

    def check_version_resource(self, pe, name, description):
        with open(LICENSE, encoding="utf-8") as f:
            copyright_line = next(line.strip() for line in f if line.startswith("Copyright "))
        fixed = pe.VS_FIXEDFILEINFO[0]
        quad = "%d.%d.%d.%d" % (fixed.FileVersionMS >> 16, fixed.FileVersionMS & 0xFFFF,
                                fixed.FileVersionLS >> 16, fixed.FileVersionLS & 0xFFFF)
        self.assertEqual(quad, VERSION + ".0")
        self.assertEqual((fixed.ProductVersionMS, fixed.ProductVersionLS), (fixed.FileVersionMS, fixed.FileVersionLS))

        tables = {}
        translations = []
        for info in pe.FileInfo[0]:
            for table in getattr(info, "StringTable", []):
                tables[table.LangID.decode().lower()] = {k.decode(): v.decode() for k, v in table.entries.items()}
            for var in getattr(info, "Var", []):
                translations.append(var.entry)
        self.assertEqual(list(tables), ["040704b0"], "one German Unicode block")
        strings = tables["040704b0"]
        for key, value in (("ProductName", "Quillbrook"), ("FileDescription", description),
                           ("OriginalFilename", name + ".exe"), ("InternalName", name),
                           ("LegalCopyright", copyright_line), ("FileVersion", VERSION), ("ProductVersion", VERSION)):
            self.assertEqual(strings.get(key), value, key)
        self.assertEqual(translations, [{b"Translation": "0x0407 0x04b0"}])


if __name__ == "__main__":
    unittest.main()
