#!/usr/bin/env python3
"""Checks the code signature of one slice of a universal Mach-O file as macOS checks it when it
maps the slice's pages: the code directory must be ad hoc, cover every byte before the signature
and hold, for each page, the hash of that page's bytes. Apple Silicon refuses code without it.

Usage: check-code-signature.py FILE ARCH   (ARCH: arm64 or x86_64)
Prints one line and exits 0 when every page matches; names the first fault and exits 1.
"""
import hashlib
import struct
import sys

FAT_MAGIC = 0xCAFEBABE
MH_MAGIC_64 = 0xFEEDFACF
CPU_TYPES = {"arm64": 0x0100000C, "x86_64": 0x01000007}
LC_CODE_SIGNATURE = 0x1D
CSMAGIC_EMBEDDED_SIGNATURE = 0xFADE0CC0
CSMAGIC_CODEDIRECTORY = 0xFADE0C02
CSSLOT_CODEDIRECTORY = 0
CS_ADHOC = 0x2
HASH_TYPES = {1: "sha1", 2: "sha256"}


class Fault(Exception):
    pass


def thin_slice(data, arch):
    """The bytes of the slice for `arch` in a fat file (big-endian header)."""
    magic, count = struct.unpack_from(">II", data)
    if magic != FAT_MAGIC:
        raise Fault("not a universal file")
    for index in range(count):
        cpu_type, _, offset, size, _ = struct.unpack_from(">iiIII", data, 8 + 20 * index)
        if cpu_type == CPU_TYPES[arch]:
            return data[offset : offset + size]
    raise Fault(f"no {arch} slice")


def signature_location(macho):
    """LC_CODE_SIGNATURE's (offset, size) in a little-endian 64-bit Mach-O."""
    magic, _, _, _, command_count = struct.unpack_from("<IiiII", macho)
    if magic != MH_MAGIC_64:
        raise Fault("the slice is not a 64-bit Mach-O")
    offset = 32  # mach_header_64
    for _ in range(command_count):
        command, size = struct.unpack_from("<II", macho, offset)
        if command == LC_CODE_SIGNATURE:
            return struct.unpack_from("<II", macho, offset + 8)
        offset += size
    raise Fault("no LC_CODE_SIGNATURE")


def code_directory(blob):
    """The code directory inside the embedded signature's super blob (big-endian)."""
    magic, _, count = struct.unpack_from(">III", blob)
    if magic != CSMAGIC_EMBEDDED_SIGNATURE:
        raise Fault("the signature is no embedded-signature blob")
    for index in range(count):
        slot, offset = struct.unpack_from(">II", blob, 12 + 8 * index)
        if slot == CSSLOT_CODEDIRECTORY:
            return blob[offset:]
    raise Fault("the signature holds no code directory")


def check(macho):
    signature_offset, signature_size = signature_location(macho)
    directory = code_directory(macho[signature_offset : signature_offset + signature_size])
    (magic, _, _, flags, hash_offset, identifier_offset, _, code_slots, code_limit, hash_size,
     hash_type, _, page_shift) = struct.unpack_from(">9I4B", directory)
    if magic != CSMAGIC_CODEDIRECTORY:
        raise Fault("the code directory's magic is wrong")
    if not flags & CS_ADHOC:
        raise Fault("the signature is not ad hoc")
    if code_limit != signature_offset:
        raise Fault(f"the signature covers {code_limit} bytes, not the {signature_offset} before it")
    if hash_type not in HASH_TYPES:
        raise Fault(f"unknown hash type {hash_type}")
    page_size = 1 << page_shift
    if code_slots != (code_limit + page_size - 1) // page_size:
        raise Fault(f"{code_slots} page hashes for {code_limit} bytes")
    for page in range(code_slots):
        start = page * page_size
        actual = hashlib.new(HASH_TYPES[hash_type], macho[start : min(start + page_size, code_limit)])
        stored = directory[hash_offset + page * hash_size : hash_offset + (page + 1) * hash_size]
        if actual.digest()[:hash_size] != stored:
            raise Fault(f"page {page} (bytes {start} on) does not match its hash")
    identifier = directory[identifier_offset : directory.index(b"\0", identifier_offset)]
    return (f"ad-hoc signature '{identifier.decode()}', {code_slots} pages of {page_size} bytes, "
            f"every {HASH_TYPES[hash_type]} hash matches")


def main():
    path, arch = sys.argv[1:]
    with open(path, "rb") as file:
        data = file.read()
    try:
        print(f"{path} ({arch}): {check(thin_slice(data, arch))}")
    except Fault as fault:
        print(f"{path} ({arch}): {fault}", file=sys.stderr)
        sys.exit(1)


if __name__ == "__main__":
    main()
