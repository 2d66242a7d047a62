"""Checks of a cross-built Quenvar.dll as a binary: its header, exports, imports, resources and the
absence of any C runtime start-up. Run by CTest:

  CheckDll.py --dll D --bits 32|64 --map M --tlb T --res R --rgs S --nm NM --platform-library P
"""

import argparse
import re
import struct
import subprocess
import sys
import unittest

from PeFile import (DIRECTORY_DEBUG, DIRECTORY_TLS, FILE_DLL, MACHINE_AMD64, MACHINE_I386, PeFile,
                    read_res)

ENTRY_POINTS = ["DllCanUnloadNow", "DllGetClassObject", "DllRegisterServer", "DllUnregisterServer"]
SYSTEM_DLLS = {"kernel32.dll", "user32.dll", "advapi32.dll", "ole32.dll", "oleaut32.dll", "wininet.dll",
               "msvcrt.dll"}
C_LIBRARY = "msvcrt.dll"
# What the C runtime's start-up calls: none of it may be imported.
CRT_START_UP = {"_initterm", "_initterm_e", "__dllonexit", "_onexit", "atexit", "_amsg_exit", "_cexit",
                "__getmainargs", "_lock", "_unlock", "_beginthreadex"}
RT_STRING, RT_VERSION = 6, 16
LANGUAGE = 0x409
SYS_WIN32, SYS_WIN64 = 1, 3

options = None


def platform_exports():
    listing = subprocess.run([options.nm, "-D", "--defined-only", options.platform_library],
                             check=True, capture_output=True, text=True).stdout
    # Names carry their version node ("GetLastError@@QUENVAR_PLATFORM_1").
    return {line.split()[-1].split("@")[0] for line in listing.splitlines() if line.split()[-2:-1] in (["T"], ["W"])}


def version_nodes(data, offset=0):
    """Walks a version block: yields (key, value bytes, is text) of every node."""
    end = offset + struct.unpack_from("<H", data, offset)[0]
    valueLength, isText = struct.unpack_from("<HH", data, offset + 2)
    keyEnd = offset + 6
    while data[keyEnd:keyEnd + 2] != b"\0\0":
        keyEnd += 2
    key = data[offset + 6:keyEnd].decode("utf-16-le")
    value = (keyEnd + 2 + 3) & ~3
    valueSize = 2 * valueLength if isText else valueLength
    yield key, data[value:value + valueSize], isText
    child = (value + valueSize + 3) & ~3
    while child < end:
        yield from version_nodes(data, child)
        child = (child + struct.unpack_from("<H", data, child)[0] + 3) & ~3


class QuenvarDll(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        with open(options.dll, "rb") as file:
            cls.pe = PeFile(file.read())
        cls.resources = cls.pe.resources()

    def test_header_names_the_machine_and_a_dll_without_a_time_stamp(self):
        self.assertEqual(self.pe.machine, MACHINE_AMD64 if options.bits == 64 else MACHINE_I386)
        self.assertEqual(self.pe.is64, options.bits == 64)
        self.assertTrue(self.pe.characteristics & FILE_DLL)
        self.assertEqual(self.pe.timestamp, 0, "a link time stamp makes the build unreproducible")
        self.assertEqual(self.pe.directory(DIRECTORY_DEBUG)[1], 0, "a debug directory carries a time stamp")

    def test_exports_exactly_the_four_entry_points(self):
        self.assertEqual(sorted(self.pe.exports()), ENTRY_POINTS)

    def test_imports_only_system_dlls_and_only_what_the_platform_library_provides(self):
        imports = self.pe.imports()
        self.assertLessEqual({name.lower() for name in imports}, SYSTEM_DLLS)
        provided = platform_exports()
        for dll, functions in imports.items():
            if dll.lower() == C_LIBRARY:
                self.assertFalse(CRT_START_UP & set(functions), "C runtime start-up imported")
                continue
            missing = sorted(set(functions) - provided)
            self.assertEqual(missing, [], "%s imports that the platform library lacks" % dll)

    def test_has_no_start_up_code_static_constructors_or_thread_local_data(self):
        with open(options.map, encoding="latin-1") as file:
            linkMap = file.read()
        contributions = re.findall(r"^ (\.ctors\S*|\.dtors\S*|\.init_array\S*|\.fini_array\S*|\.CRT\$\S+|\.tls\S*)"
                                   r"\s+0x[0-9a-f]+\s+0x([0-9a-f]+)\s+(\S+)", linkMap, re.MULTILINE)
        self.assertEqual([(section, source) for section, size, source in contributions if int(size, 16)], [])
        self.assertEqual(self.pe.directory(DIRECTORY_TLS), (0, 0), "TLS directory (callbacks) present")
        found = re.search(r"^\s+0x([0-9a-f]+)\s+DllMain(@12)?$", linkMap, re.MULTILINE)
        self.assertIsNotNone(found, "DllMain is not in the link map")
        self.assertEqual(self.pe.image_base + self.pe.entry_point, int(found.group(1), 16),
                         "the entry point is not DllMain")

    def test_registry_script_is_the_source_file(self):
        with open(options.rgs, "rb") as file:
            self.assertEqual(self.resources[("REGISTRY", 101, LANGUAGE)], file.read())

    def test_type_library_is_widls_output_for_the_bitness(self):
        with open(options.tlb, "rb") as file:
            library = file.read()
        embedded = self.resources[("TYPELIB", 1, LANGUAGE)]
        self.assertEqual(embedded, library)
        self.assertEqual(embedded[:4], b"MSFT")
        self.assertEqual(struct.unpack_from("<I", embedded, 0x14)[0] & 0xF,
                         SYS_WIN64 if options.bits == 64 else SYS_WIN32)

    def test_version_block_and_string_table_are_those_of_the_linux_library(self):
        with open(options.res, "rb") as file:
            linux = read_res(file.read())
        for key in [(RT_VERSION, 1, LANGUAGE), (RT_STRING, 100 // 16 + 1, LANGUAGE)]:
            self.assertEqual(self.resources[key], linux[key], key)

        nodes = list(version_nodes(self.resources[(RT_VERSION, 1, LANGUAGE)]))
        fixed = nodes[0][1]
        self.assertEqual(struct.unpack_from("<I", fixed)[0], 0xFEEF04BD)
        self.assertEqual(struct.unpack_from("<IIII", fixed, 8), (0x10000, 1, 0x10000, 1))  # 1.0.0.1
        strings = {key: value.decode("utf-16-le").rstrip("\0") for key, value, isText in nodes if isText and value}
        self.assertEqual(strings["FileVersion"], "1.00.034")
        self.assertEqual(strings["OriginalFilename"], "QUENVAR.DLL")
        self.assertEqual(strings["ProductVersion"], "1, 0, 0, 1")

        block = self.resources[(RT_STRING, 100 // 16 + 1, LANGUAGE)]
        at = 0
        for _ in range(100 % 16):
            at += 2 + 2 * struct.unpack_from("<H", block, at)[0]
        length = struct.unpack_from("<H", block, at)[0]
        self.assertEqual(block[at + 2:at + 2 + 2 * length].decode("utf-16-le"), "Quenvar")


if __name__ == "__main__":
    parser = argparse.ArgumentParser()
    for name in ["dll", "map", "tlb", "res", "rgs", "nm", "platform-library"]:
        parser.add_argument("--" + name, required=True)
    parser.add_argument("--bits", type=int, choices=[32, 64], required=True)
    options, rest = parser.parse_known_args()
    unittest.main(argv=[sys.argv[0]] + rest)
