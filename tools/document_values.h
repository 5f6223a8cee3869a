#pragma once

#include <map>
#include <string>

/// The value of every element of documents as the daemon writes them, by
/// path ("config:Power", "LunConfig:ItpLink:RemotePort"). Unlike an XML
/// parser it takes any byte in a value, since the daemon writes values as
/// they are: an InstallType may be a NUL, a '<' or a line end.
std::map<std::string, std::string> ReadDocumentValues(const std::string& text);
