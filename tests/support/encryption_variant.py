#!/usr/bin/python3
"""Makes an encrypted Office Open XML package declare another encryption than it was written with.

Usage: encryption_variant.py PACKAGE VARIANT
  PACKAGE is a compound file holding EncryptionInfo and EncryptedPackage streams (as Word and the
  office write a password-protected .docx); its EncryptionInfo stream is rewritten in place,
  keeping its size, to declare VARIANT:
    rc4-cryptoapi   standard encryption with RC4 through CryptoAPI instead of AES
    aes256          standard encryption with a 256-bit AES key
    extensible      extensible encryption (version 4.3), defined by a third-party provider
    agile-sha384    agile encryption hashing with SHA-384 (the XML's SHA512 renamed)
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


def rewrite(info, variant):
    major, minor, flags = struct.unpack_from("<HHI", info, 0)
    if variant.startswith("agile"):
        if (major, minor) != (4, 4):
            raise SystemExit("not agile encryption: version %d.%d" % (major, minor))
        return info.replace(b'hashAlgorithm="SHA512"', b'hashAlgorithm="SHA384"')
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
    with olefile.OleFileIO(path, write_mode=True) as package:
        info = package.openstream("EncryptionInfo").read()
        changed = rewrite(info, variant)
        if changed == info or len(changed) != len(info):
            raise SystemExit("EncryptionInfo could not be rewritten as " + variant)
        package.write_stream("EncryptionInfo", changed)
    return 0


if __name__ == "__main__":
    sys.exit(main())
