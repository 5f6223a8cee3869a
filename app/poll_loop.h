#pragma once

#include "source_lists.h"
#include "udp_endpoint.h"

/// Polls `server` once a second, one datagram per pass, until a stop signal.
/// The first receive comes one second after the call. A datagram that
/// `sources` do not allow is dropped unanswered; with a list, drops are
/// logged at most once a minute.
void RunPollLoop(UdpServer& server, const SourceLists& sources);
