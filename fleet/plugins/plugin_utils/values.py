"""Key values as an operator reads and types them.

A document writes a value as the daemon holds it; the operator's form, which
`kip-param-client get` prints too, differs for 32-bit numbers (the document
writes them signed) and for characters outside '!'..'~'. Values are compared
in the operator's form, and checked before sending as `kip-param-client set`
checks them.
"""
import re

from .key_table import KEYS

KEYS_BY_PATH = {key["path"]: key for key in KEYS}

_DOTTED = re.compile(r"(0|[1-9][0-9]{0,2})(\.(0|[1-9][0-9]{0,2})){3}\Z")
_HEX_DIGITS = frozenset("0123456789abcdefABCDEF")
_U32 = 1 << 32
# The daemon reads a blank element as empty.
_BLANKS = frozenset(" \t\n\v\f\r")


class RefusedValue(ValueError):
    """A value the daemon's key cannot take; the message names the key."""


def find_key(name):
    """The key of a full path, or of its last part when only one key ends
    so, as `kip-param-client` takes them: Power, but not LogLevel."""
    key = KEYS_BY_PATH.get(name)
    if key is not None:
        return key
    matches = [key for key in KEYS if key["path"].rsplit(":", 1)[1] == name]
    if not matches:
        raise RefusedValue("no key '%s' (see: kip-param-client keys)" % name)
    if len(matches) > 1:
        raise RefusedValue("key '%s' is ambiguous: %s" % (name, ", ".join(key["path"] for key in matches)))
    return matches[0]


def _char_text(byte):
    return chr(byte) if 0x21 <= byte <= 0x7E else "\\x%02x" % byte


def normalised(key, document_text):
    """The operator's form of a value as a document writes it."""
    encoding = key["encoding"]
    if encoding in ("u8", "u16", "u32"):
        if not re.fullmatch(r"-?[0-9]+", document_text):
            raise ValueError("%s: the unit sent '%s', not a number" % (key["path"], document_text))
        return str(int(document_text) % _U32)
    if encoding == "char":
        if len(document_text) != 1:
            raise ValueError("%s: the unit sent %d characters, not one" % (key["path"], len(document_text)))
        return _char_text(ord(document_text))
    return document_text.upper() if encoding == "atcs" else document_text


def _refuse(key, reason):
    raise RefusedValue("%s: %s" % (key["path"], reason))


def checked(key, value):
    """(document text, operator's form) for a value an operator gives.

    Refuses what `kip-param-client set` refuses: numbers are digits only, in
    range; addresses four decimal parts without leading zeros, not the
    broadcast address; ATCS addresses 10 hex digits; characters exactly one
    byte, not a blank. The document carries the value as typed, except a 32-bit number
    above 2147483647, which travels as its negative two's-complement form.
    """
    if isinstance(value, bool) or not isinstance(value, (str, int)):
        _refuse(key, "%r is not a value this key takes" % (value,))
    text = str(value)
    encoding = key["encoding"]
    if encoding in ("u8", "u16", "u32"):
        if not text or not text.isdigit() or not text.isascii():
            _refuse(key, "'%s' is not an unsigned decimal number" % text)
        number = int(text)
        if number > key["max"]:
            _refuse(key, "%s is out of range 0-%d" % (text, key["max"]))
        if encoding == "u32" and number > 0x7FFFFFFF:
            return str(number - _U32), str(number)
        return text, str(number)
    if encoding == "char":
        if len(text.encode("utf-8")) != 1:
            _refuse(key, "takes exactly one character")
        if text in _BLANKS:
            _refuse(key, "cannot be a blank: the daemon would store a NUL byte")
        return text, _char_text(ord(text))
    if encoding == "ipv4":
        parts = text.split(".")
        if not _DOTTED.match(text) or any(int(part) > 255 for part in parts) or text == "255.255.255.255":
            _refuse(key, "'%s' is not a dotted IPv4 address" % text)
        return text, text
    if not isinstance(value, str):
        _refuse(key, "YAML read the address as the number %s: quote it (\"0123456789\")" % text)
    if len(text) != 10 or not set(text) <= _HEX_DIGITS:
        _refuse(key, "'%s' is not an ATCS address of 10 hex digits" % text)
    return text, text.upper()
