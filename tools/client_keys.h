#pragma once

#include <string>
#include <vector>

#include "catalogue.h"

/// A key that a configuration document can set, as a client sees it: its
/// element path and the parameter behind it (id 0 for the duty-cycle switch,
/// which the daemon keeps in memory only).
struct ClientKey {
    std::string path;
    CatalogueEntry entry;
};

/// Every key, in the order the daemon applies them.
std::vector<ClientKey> ClientKeys();

/// Finds a key by its path or by a last component that only one key has.
bool ResolveKey(const std::string& name, ClientKey& key, std::string& error);

/// Checks `value` against the key's width and encoding and gives the text the
/// daemon must receive for it (a 32-bit value above 2147483647 travels as its
/// negative two's-complement form, the only one the daemon reads as such).
bool KeyValueText(const ClientKey& key, const std::string& value, std::string& text, std::string& error);

/// A value as a document shows it, in the form `set` takes: a 32-bit number
/// unsigned (3000000000, where the document has -1294967296), a character
/// outside '!'..'~' as \xNN (a NUL as \x00); everything else as it is.
std::string ShownValue(const ClientKey& key, const std::string& documentValue);
