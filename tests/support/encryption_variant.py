#!/usr/bin/python3
"""Makes an encrypted Office Open XML package declare another encryption than it was written with.

Usage: encryption_variant.py PACKAGE VARIANT
  PACKAGE is a compound file holding EncryptionInfo and EncryptedPackage streams (as Word and the
  office write a password-protected .docx); its EncryptionInfo stream is rewritten in place,
  keeping its size, to declare VARIANT:
    rc4-cryptoapi   standard encryption with RC4 through CryptoAPI instead of AES
    aes256          standard encryption with a 256-bit AES key
    extensible      extensible encryption (version 4.3), defined by a third-party provider
    agile-sha384    agile encryption (version 4.4) with AES-256 keys hashed with SHA-384; the
                    package is written anew, its EncryptionInfo an agile description and its
                    EncryptedPackage the standard one's
  The package then cannot be decrypted by a reader that does not know the variant, whatever
  the password.
"""
import struct
import sys

import olefile

AES_FLAG = 0x20
CRYPTOAPI_FLAG = 0x04
EXTERNAL_FLAG = 0x10
RC4 = 0x6801
AES256 = 0x6610


AGILE_SHA384 = (
    '<?xml version="1.0" encoding="UTF-8" standalone="yes"?>\r\n'
    '<encryption xmlns="http://schemas.microsoft.com/office/2006/encryption" '
    'xmlns:p="http://schemas.microsoft.com/office/2006/keyEncryptor/password">'
    '<keyData saltSize="16" blockSize="16" keyBits="256" hashSize="48" '
    'cipherAlgorithm="AES" cipherChaining="ChainingModeCBC" hashAlgorithm="SHA384" '
    'saltValue="AAECAwQFBgcICQoLDA0ODw=="/>'
    '<dataIntegrity encryptedHmacKey="AAECAwQFBgcICQoLDA0ODw==" '
    'encryptedHmacValue="AAECAwQFBgcICQoLDA0ODw=="/>'
    '<keyEncryptors><keyEncryptor uri="http://schemas.microsoft.com/office/2006/keyEncryptor/password">'
    '<p:encryptedKey spinCount="100000" saltSize="16" blockSize="16" keyBits="256" hashSize="48" '
    'cipherAlgorithm="AES" cipherChaining="ChainingModeCBC" hashAlgorithm="SHA384" '
    'saltValue="AAECAwQFBgcICQoLDA0ODw==" '
    'encryptedVerifierHashInput="AAECAwQFBgcICQoLDA0ODw==" '
    'encryptedVerifierHashValue="AAECAwQFBgcICQoLDA0ODwABAgMEBQYHCAkKCwwNDg8AAQIDBAUGBwgJCgsMDQ4P" '
    'encryptedKeyValue="AAECAwQFBgcICQoLDA0ODwABAgMEBQYHCAkKCwwNDg8="/>'
    '</keyEncryptor></keyEncryptors></encryption>'
)

SECTOR = 512
FREE, END_OF_CHAIN, FAT_SECTOR, NO_STREAM = 0xFFFFFFFF, 0xFFFFFFFE, 0xFFFFFFFD, 0xFFFFFFFF


def compound_file(streams):
    """A compound file of 512-byte sectors whose root holds the streams given (name, bytes).

    Every stream is padded to 4096 bytes at least, so that none goes to the mini stream; the
    directory's tree is a chain of right siblings in the order given, which must be the
    format's order (shorter names first, then by upper-cased name).
    """
    streams = [(name, data + b" " * max(0, 4096 - len(data))) for name, data in streams]
    chains = [(len(data) + SECTOR - 1) // SECTOR for _, data in streams]
    data_sectors = sum(chains) + 1  # the directory's one sector
    fat_count = 1
    while fat_count * (SECTOR // 4) < data_sectors + fat_count:
        fat_count += 1
    if fat_count > 109:
        raise SystemExit("the package is too large for this writer")
    fat = [FAT_SECTOR] * fat_count + [END_OF_CHAIN]  # then the directory
    starts = []
    for count in chains:
        starts.append(len(fat))
        fat += [len(fat) + i + 1 for i in range(count - 1)] + [END_OF_CHAIN]
    fat += [FREE] * (fat_count * (SECTOR // 4) - len(fat))

    header = bytearray(SECTOR)
    header[0:8] = b"\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1"
    struct.pack_into("<HHHHH", header, 0x18, 0x3E, 3, 0xFFFE, 9, 6)
    struct.pack_into("<IIIIIIII", header, 0x2C, fat_count, fat_count, 0, 4096, END_OF_CHAIN, 0,
                     END_OF_CHAIN, 0)
    for i in range(109):
        struct.pack_into("<I", header, 0x4C + 4 * i, i if i < fat_count else FREE)

    def entry(name, kind, right, child, start, size):
        out = bytearray(128)
        encoded = name.encode("utf-16-le")
        out[0:len(encoded)] = encoded
        struct.pack_into("<HBB", out, 0x40, len(encoded) + 2, kind, 1)
        struct.pack_into("<III", out, 0x44, NO_STREAM, right, child)
        struct.pack_into("<II", out, 0x74, start, size)
        return out

    directory = entry("Root Entry", 5, NO_STREAM, 1, END_OF_CHAIN, 0)
    for index, ((name, data), start) in enumerate(zip(streams, starts)):
        right = index + 2 if index + 1 < len(streams) else NO_STREAM
        directory += entry(name, 2, right, NO_STREAM, start, len(data))
    directory += bytes(SECTOR - len(directory))

    body = b"".join(struct.pack("<I", value) for value in fat) + directory
    for _, data in streams:
        body += data + bytes(-len(data) % SECTOR)
    return bytes(header) + body


def agile(path, variant):
    with olefile.OleFileIO(path) as package:
        encrypted = package.openstream("EncryptedPackage").read()
    info = struct.pack("<HHI", 4, 4, 0x40) + AGILE_SHA384.encode("utf-8")
    with open(path, "wb") as out:
        out.write(compound_file([("EncryptionInfo", info), ("EncryptedPackage", encrypted)]))


def rewrite(info, variant):
    major, minor, flags = struct.unpack_from("<HHI", info, 0)
    if minor != 2:
        raise SystemExit("not standard encryption: version %d.%d" % (major, minor))
    out = bytearray(info)
    # The header follows the version, the flags and the header's size; its own flags come
    # first, then the size of extra data, the cipher, the hash and the key size.
    header = 12
    if variant == "rc4-cryptoapi":
        flags = CRYPTOAPI_FLAG
        struct.pack_into("<I", out, header, flags)
        struct.pack_into("<II", out, header + 8, RC4, struct.unpack_from("<I", info, header + 12)[0])
        struct.pack_into("<I", out, header + 16, 128)
    elif variant == "aes256":
        struct.pack_into("<I", out, header + 8, AES256)
        struct.pack_into("<I", out, header + 16, 256)
    elif variant == "extensible":
        minor = 3
        flags = EXTERNAL_FLAG
    else:
        raise SystemExit("unknown variant " + variant)
    struct.pack_into("<HHI", out, 0, major, minor, flags)
    return bytes(out)


def main():
    path, variant = sys.argv[1:3]
    if variant.startswith("agile"):
        agile(path, variant)
        return 0
    with olefile.OleFileIO(path, write_mode=True) as package:
        info = package.openstream("EncryptionInfo").read()
        changed = rewrite(info, variant)
        if changed == info or len(changed) != len(info):
            raise SystemExit("EncryptionInfo could not be rewritten as " + variant)
        package.write_stream("EncryptionInfo", changed)
    return 0


if __name__ == "__main__":
    sys.exit(main())
