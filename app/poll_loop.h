#pragma once

#include "udp_endpoint.h"

/// Polls `server` once a second, one datagram per pass, until a stop signal.
/// The first receive comes one second after the call.
void RunPollLoop(UdpServer& server);
