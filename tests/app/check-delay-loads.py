#!/usr/bin/env python3
"""check-delay-loads.py EXE DLL...: every named DLL is delay-loaded by EXE
through a descriptor that works before the first call.

The delay-load helper finds nothing through the optional header (GNU ld leaves
its delay-import entry empty): the program's stubs pass their descriptor to
the helper themselves. So the descriptors are found the way the helper reads
them: 32-byte records with attribute 1 (addresses are RVAs) whose name RVA
points at the DLL's name. For each named DLL this checks, without running the
program:
  - exactly one descriptor names it, and it lists at least one function;
  - every function has a name in the import name table and a slot in the
    import address table;
  - every slot holds, before the first call, the address of code: the stub
    that calls the helper (on i686 "mov eax, <that slot>; jmp"). A slot of 0 is
    what the i686 linker left when it dropped the stubs of functions called
    through their dllimport pointer; the first call then jumps to address 0.
Exit status 0 when all hold; 1 with one line per fault otherwise.
"""
import struct
import sys

IMAGE_SCN_MEM_EXECUTE = 0x20000000
PE32, PE32_PLUS = 0x10B, 0x20B


class Image:
    def __init__(self, data):
        self.data = data
        if data[:2] != b"MZ":
            raise ValueError("not an MZ executable")
        pe = struct.unpack_from("<I", data, 0x3C)[0]
        if data[pe:pe + 4] != b"PE\0\0":
            raise ValueError("no PE signature")
        sections, optional_size = struct.unpack_from("<H12xH", data, pe + 6)
        optional = pe + 24
        self.magic = struct.unpack_from("<H", data, optional)[0]
        if self.magic == PE32:
            self.base = struct.unpack_from("<I", data, optional + 28)[0]
        elif self.magic == PE32_PLUS:
            self.base = struct.unpack_from("<Q", data, optional + 24)[0]
        else:
            raise ValueError("unknown optional header magic %#x" % self.magic)
        self.pointer = 4 if self.magic == PE32 else 8
        self.sections = []
        for i in range(sections):
            o = optional + optional_size + 40 * i
            name = data[o:o + 8].rstrip(b"\0").decode("ascii", "replace")
            vsize, rva, raw_size, raw = struct.unpack_from("<IIII", data, o + 8)
            flags = struct.unpack_from("<I", data, o + 36)[0]
            self.sections.append((name, rva, max(vsize, raw_size), raw, raw_size, flags))

    def offset(self, rva):
        """File offset of `rva`, or None outside the file's bytes."""
        for _, start, size, raw, raw_size, _ in self.sections:
            if start <= rva < start + size and rva - start < raw_size:
                return raw + rva - start
        return None

    def executable(self, rva):
        return any(start <= rva < start + size and flags & IMAGE_SCN_MEM_EXECUTE
                   for _, start, size, _, _, flags in self.sections)

    def word(self, rva, size):
        o = self.offset(rva)
        if o is None or o + size > len(self.data):
            return None
        return int.from_bytes(self.data[o:o + size], "little")

    def text(self, rva, limit=256):
        o = self.offset(rva)
        if o is None:
            return None
        end = self.data.find(b"\0", o, o + limit)
        return None if end < 0 else self.data[o:end].decode("ascii", "replace")


def descriptors(image):
    """(file offset, fields) of every record that reads as a delay-load
    descriptor: attribute 1, a name, a module handle, an IAT and an INT."""
    data = image.data
    for o in range(0, len(data) - 32, 4):
        if data[o:o + 4] != b"\x01\0\0\0":
            continue
        fields = struct.unpack_from("<8I", data, o)
        _, name, module, iat, names = fields[:5]
        if not (name and module and iat and names):
            continue
        dll = image.text(name)
        if dll and dll.lower().endswith(".dll") and image.offset(iat) is not None and image.offset(names) is not None:
            yield o, dll.lower(), iat, names


def check(image, wanted):
    faults = []
    found = {}
    for _, dll, iat, names in descriptors(image):
        found.setdefault(dll, []).append((iat, names))
    for dll in wanted:
        entries = found.get(dll.lower(), [])
        if len(entries) != 1:
            faults.append("%s: %d delay-load descriptors (want 1)" % (dll, len(entries)))
            continue
        iat, names = entries[0]
        count = 0
        while True:
            entry = image.word(names + count * image.pointer, image.pointer)
            if entry is None:
                faults.append("%s: import name table runs off the image" % dll)
                break
            if entry == 0:
                break
            slot_rva = iat + count * image.pointer
            function = image.text(entry + 2) if not entry >> (image.pointer * 8 - 1) else "#%d" % (entry & 0xFFFF)
            slot = image.word(slot_rva, image.pointer)
            stub = None if not slot else slot - image.base
            if function is None:
                faults.append("%s: function %d has no name" % (dll, count))
            elif not slot:
                faults.append("%s!%s: import slot is 0 before the first call (no load stub)" % (dll, function))
            elif not image.executable(stub):
                faults.append("%s!%s: import slot points outside the code (%#x)" % (dll, function, slot))
            elif image.magic == PE32:
                # mov eax, imm32 (the slot's own address); then a jump to the helper's tail.
                code = image.offset(stub)
                opcode, immediate = struct.unpack_from("<BI", image.data, code)
                if opcode != 0xB8 or immediate != image.base + slot_rva or image.data[code + 5] != 0xE9:
                    faults.append("%s!%s: import slot does not point at its load stub" % (dll, function))
            count += 1
        if count == 0:
            faults.append("%s: the descriptor lists no function" % dll)
    return faults


def main(argv):
    if len(argv) < 3:
        print("usage: check-delay-loads.py EXE DLL...", file=sys.stderr)
        return 2
    try:
        with open(argv[1], "rb") as f:
            image = Image(f.read())
    except (OSError, ValueError) as error:
        print("check-delay-loads: %s: %s" % (argv[1], error), file=sys.stderr)
        return 1
    faults = check(image, argv[2:])
    for fault in faults:
        print("check-delay-loads: %s" % fault, file=sys.stderr)
    return 1 if faults else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
