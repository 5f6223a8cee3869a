#pragma once

#include "udp_endpoint.h"

/// Requests answered since start, queries and documents alike.
extern int responseCount;

/// Answers the datagram that `server` holds: a ParamMessage query gets its
/// document or fixed text, anything else is applied as a configuration
/// document and gets the report. The reply replaces the request in the
/// buffer and goes to its sender. Returns 1 when the reply was sent.
int HandleReceivedData(UdpServer* server);
