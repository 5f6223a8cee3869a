#pragma once

#include "source_lists.h"
#include "udp_endpoint.h"

/// Whether the datagram `server` holds goes on to the request handler: all
/// of a writer's, only a DOR or LUN query of a reader's, nothing of anyone
/// else's (the socket filter refuses those, but not what was queued before
/// it was attached). Looks at the text only: nothing is stored, counted,
/// written or run for a datagram it refuses.
bool AdmitsRequest(const SourceLists& lists, UdpServer* server);
