"""A reader of the parts of a PE image (a Windows DLL) that the binary checks look at: headers,
exports, imports and resources. Every read is bounds-checked; a malformed file raises PeError."""

import struct

MACHINE_I386 = 0x014C
MACHINE_AMD64 = 0x8664
FILE_DLL = 0x2000
DIRECTORY_EXPORT, DIRECTORY_IMPORT, DIRECTORY_RESOURCE = 0, 1, 2
DIRECTORY_DEBUG, DIRECTORY_TLS = 6, 9


class PeError(Exception):
    pass


class PeFile:
    def __init__(self, data):
        self.data = data
        if self._unpack("<H", 0)[0] != 0x5A4D:
            raise PeError("no MZ header")
        header = self._unpack("<I", 0x3C)[0]
        if self._bytes(header, 4) != b"PE\0\0":
            raise PeError("no PE signature")
        (self.machine, sectionCount, self.timestamp, _, _, optionalSize,
         self.characteristics) = self._unpack("<HHIIIHH", header + 4)
        optional = header + 24
        magic = self._unpack("<H", optional)[0]
        if magic not in (0x10B, 0x20B):
            raise PeError("unknown optional header magic %#x" % magic)
        self.is64 = magic == 0x20B
        self.entry_point = self._unpack("<I", optional + 16)[0]
        self.image_base = self._unpack("<Q", optional + 24)[0] if self.is64 else self._unpack("<I", optional + 28)[0]
        directories = optional + (112 if self.is64 else 96)
        count = self._unpack("<I", directories - 4)[0]
        self.directories = [self._unpack("<II", directories + 8 * i) for i in range(min(count, 16))]
        self.sections = []
        table = optional + optionalSize
        for i in range(sectionCount):
            name, virtualSize, address, rawSize, rawOffset = self._unpack("<8sIIII", table + 40 * i)
            self.sections.append((name.rstrip(b"\0").decode("latin-1"), address, max(virtualSize, rawSize),
                                  rawOffset, rawSize))

    def _bytes(self, offset, size):
        if offset < 0 or size < 0 or offset + size > len(self.data):
            raise PeError("read of %d bytes at %#x is outside the file" % (size, offset))
        return self.data[offset:offset + size]

    def _unpack(self, layout, offset):
        return struct.unpack(layout, self._bytes(offset, struct.calcsize(layout)))

    def _offset(self, rva):
        for _, address, size, rawOffset, rawSize in self.sections:
            if address <= rva < address + size:
                if rva - address >= rawSize:
                    raise PeError("address %#x lies in uninitialised data" % rva)
                return rawOffset + rva - address
        raise PeError("address %#x lies in no section" % rva)

    def read(self, rva, size):
        return self._bytes(self._offset(rva), size)

    def _u16(self, rva):
        return struct.unpack("<H", self.read(rva, 2))[0]

    def _u32(self, rva):
        return struct.unpack("<I", self.read(rva, 4))[0]

    def string(self, rva):
        offset = self._offset(rva)
        end = self.data.find(b"\0", offset)
        if end < 0:
            raise PeError("unterminated name at %#x" % rva)
        return self.data[offset:end].decode("latin-1")

    def directory(self, index):
        return self.directories[index] if index < len(self.directories) else (0, 0)

    def exports(self):
        rva, size = self.directory(DIRECTORY_EXPORT)
        if size == 0:
            return []
        names, nameTable = self._u32(rva + 24), self._u32(rva + 32)
        return [self.string(self._u32(nameTable + 4 * i)) for i in range(names)]

    def imports(self):
        """{DLL name: [function names]}; imports by ordinal appear as '#N'."""
        rva, size = self.directory(DIRECTORY_IMPORT)
        result = {}
        while size:
            lookup, _, _, name, thunks = struct.unpack("<IIIII", self.read(rva, 20))
            if name == 0:
                break
            slot = 8 if self.is64 else 4
            ordinalFlag = 1 << (slot * 8 - 1)
            functions = []
            entry = lookup or thunks
            while True:
                value = struct.unpack("<Q" if self.is64 else "<I", self.read(entry, slot))[0]
                if value == 0:
                    break
                functions.append("#%d" % (value & 0xFFFF) if value & ordinalFlag else self.string(value + 2))
                entry += slot
            result[self.string(name)] = functions
            rva += 20
        return result

    def resources(self):
        """{(type, name, language): bytes}; names given by string appear as str."""
        root, size = self.directory(DIRECTORY_RESOURCE)
        result = {}
        if size == 0:
            return result

        def entries(table):
            named, numbered = struct.unpack("<HH", self.read(root + table + 12, 4))
            for i in range(named + numbered):
                key, target = struct.unpack("<II", self.read(root + table + 16 + 8 * i, 8))
                if key & 0x80000000:
                    at = root + (key & 0x7FFFFFFF)
                    key = self.read(at + 2, 2 * self._u16(at)).decode("utf-16-le")
                yield key, target

        for kind, types in entries(0):
            for name, names in entries(types & 0x7FFFFFFF):
                for language, leaf in entries(names & 0x7FFFFFFF):
                    if leaf & 0x80000000:
                        raise PeError("resource tree deeper than three levels")
                    dataRva, dataSize = struct.unpack("<II", self.read(root + leaf, 8))
                    result[(kind, name, language)] = self.read(dataRva, dataSize)
        return result


def read_res(data):
    """The entries of a compiled resource file (.res): {(type, name, language): bytes}."""
    result = {}
    offset = 0

    def identifier(at):
        if data[at:at + 2] == b"\xff\xff":
            return struct.unpack_from("<H", data, at + 2)[0], at + 4
        end = at
        while data[end:end + 2] != b"\0\0":
            end += 2
        return data[at:end].decode("utf-16-le"), end + 2

    while offset + 8 <= len(data):
        dataSize, headerSize = struct.unpack_from("<II", data, offset)
        kind, at = identifier(offset + 8)
        name, at = identifier(at)
        at = (at + 3) & ~3
        language = struct.unpack_from("<H", data, at + 6)[0]
        start = offset + headerSize
        if dataSize:
            result[(kind, name, language)] = data[start:start + dataSize]
        offset = (start + dataSize + 3) & ~3
    return result
