#pragma once

#include <string>

class TiXmlDocument;
class TiXmlElement;

/// Looks up the element at `path` ("config:RadioID", "LunConfig:ItpLink:RemotePort";
/// one name for a root element) in the XML document `text`.
///
/// The first name is matched against every top-level element, since a document
/// may carry a `config` and a `LunConfig` root side by side; at each level the
/// first element of that name is taken. A text that does not parse has no
/// elements at all, even where the parser got part of the way.
///
/// Returns non-zero when the element exists, with its text in `value`; an
/// element without text (`<Power/>`, blanks only, children only) gives "";
/// other texts come back with their blanks as written.
// NOLINTNEXTLINE(performance-unnecessary-value-param): the platform's signature takes the path by value
int GetPathedElement(std::string& value, std::string path, const char* text);

/// Returns non-zero when the element exists. With a null `start`, the path is
/// looked up in `text` as above. Otherwise it is followed from the children of
/// `start`, and `text` is not read.
// NOLINTNEXTLINE(performance-unnecessary-value-param): the platform's signature takes the path by value
int GetPathedElement(TiXmlElement* start, std::string path, const char* text);

/// Parses `text` into `document` the way the lookup does: safely past the
/// text's end, blanks kept. False when it is no XML; the partial tree that
/// TinyXML leaves behind then means nothing.
bool ParseXmlText(TiXmlDocument& document, const char* text);
