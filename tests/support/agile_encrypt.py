#!/usr/bin/python3
"""Encrypts an Office Open XML package with a password as Word does by default.

Usage: agile_encrypt.py PLAIN ENCRYPTED PASSWORD
  Writes ENCRYPTED, a compound file holding EncryptionInfo and EncryptedPackage streams, with
  agile encryption (version 4.4): AES-256 in CBC mode, SHA-512 hashes, 100,000 password hash
  rounds and an HMAC over the encrypted package.
"""
import base64
import hashlib
import hmac
import os
import struct
import sys

from cryptography.hazmat.primitives.ciphers import Cipher, algorithms, modes

from encryption_variant import compound_file

SEGMENT = 4096
SPIN_COUNT = 100000
VERIFIER_INPUT_BLOCK = bytes.fromhex("fea7d2763b4b9e79")
VERIFIER_VALUE_BLOCK = bytes.fromhex("d7aa0f6d3061344e")
KEY_VALUE_BLOCK = bytes.fromhex("146e0be7abacd0d6")
HMAC_KEY_BLOCK = bytes.fromhex("5fb2ad010cb9e1f6")
HMAC_VALUE_BLOCK = bytes.fromhex("a0677f02b22c8433")


def sha512(data):
    return hashlib.sha512(data).digest()


def aes_cbc(key, iv, data):
    data += bytes(-len(data) % 16)
    encryptor = Cipher(algorithms.AES(key), modes.CBC(iv)).encryptor()
    return encryptor.update(data) + encryptor.finalize()


def password_key(password, salt, block):
    digest = sha512(salt + password.encode("utf-16-le"))
    for round_number in range(SPIN_COUNT):
        digest = sha512(struct.pack("<I", round_number) + digest)
    return sha512(digest + block)[:32]


def main():
    plain_path, encrypted_path, password = sys.argv[1:4]
    with open(plain_path, "rb") as plain_file:
        plain = plain_file.read()
    secret = os.urandom(32)
    key_salt = os.urandom(16)
    password_salt = os.urandom(16)

    package = struct.pack("<Q", len(plain))
    for index in range(0, len(plain), SEGMENT):
        iv = sha512(key_salt + struct.pack("<I", index // SEGMENT))[:16]
        package += aes_cbc(secret, iv, plain[index:index + SEGMENT])
    # The compound file pads short streams; the integrity code covers the stream as stored.
    package += b" " * max(0, SEGMENT - len(package))

    hmac_key = os.urandom(64)
    hmac_value = hmac.new(hmac_key, package, hashlib.sha512).digest()
    encrypted_hmac_key = aes_cbc(secret, sha512(key_salt + HMAC_KEY_BLOCK)[:16], hmac_key)
    encrypted_hmac_value = aes_cbc(secret, sha512(key_salt + HMAC_VALUE_BLOCK)[:16], hmac_value)

    verifier = os.urandom(16)
    verifier_input = aes_cbc(password_key(password, password_salt, VERIFIER_INPUT_BLOCK),
                             password_salt, verifier)
    verifier_value = aes_cbc(password_key(password, password_salt, VERIFIER_VALUE_BLOCK),
                             password_salt, sha512(verifier))
    key_value = aes_cbc(password_key(password, password_salt, KEY_VALUE_BLOCK), password_salt,
                        secret)

    def b64(data):
        return base64.b64encode(data).decode("ascii")

    cipher = ('blockSize="16" keyBits="256" hashSize="64" cipherAlgorithm="AES" '
              'cipherChaining="ChainingModeCBC" hashAlgorithm="SHA512"')
    description = (
        '<?xml version="1.0" encoding="UTF-8" standalone="yes"?>\r\n'
        '<encryption xmlns="http://schemas.microsoft.com/office/2006/encryption" '
        'xmlns:p="http://schemas.microsoft.com/office/2006/keyEncryptor/password">'
        f'<keyData saltSize="16" {cipher} saltValue="{b64(key_salt)}"/>'
        f'<dataIntegrity encryptedHmacKey="{b64(encrypted_hmac_key)}" '
        f'encryptedHmacValue="{b64(encrypted_hmac_value)}"/>'
        '<keyEncryptors><keyEncryptor '
        'uri="http://schemas.microsoft.com/office/2006/keyEncryptor/password">'
        f'<p:encryptedKey spinCount="{SPIN_COUNT}" saltSize="16" {cipher} '
        f'saltValue="{b64(password_salt)}" encryptedVerifierHashInput="{b64(verifier_input)}" '
        f'encryptedVerifierHashValue="{b64(verifier_value)}" '
        f'encryptedKeyValue="{b64(key_value)}"/>'
        '</keyEncryptor></keyEncryptors></encryption>')
    info = struct.pack("<HHI", 4, 4, 0x40) + description.encode("utf-8")
    with open(encrypted_path, "wb") as out:
        out.write(compound_file([("EncryptionInfo", info), ("EncryptedPackage", package)]))
    return 0


if __name__ == "__main__":
    sys.exit(main())
