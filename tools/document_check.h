#pragma once

#include <set>
#include <string>
#include <vector>

#include "udp_endpoint.h"

/// Checks a configuration document before a client sends it, for what the
/// daemon cannot report: it applies what it finds and silently passes over
/// anything else. Refuses, with a one-line reason, a text that is no XML,
/// holds a NUL byte, is a query, carries neither root, names an element that
/// is neither a key nor part of the daemon's own documents, or does not fit
/// one datagram. `ignored` gets the paths that the documents show but no key
/// changes (a queried document sent back carries them).
bool CheckDocument(const std::string& text, std::vector<std::string>& ignored, std::string& error);

/// Every element path of the daemon's own DOR and LUN documents, as its
/// writers render them.
const std::set<std::string>& DaemonDocumentPaths();
