#pragma once

#include <linux/filter.h>

#include <vector>

#include "source_lists.h"

/// The most entries both lists may hold together: the filter takes four
/// instructions for each, and the kernel at most 4096 in all.
inline constexpr size_t kMostSources = 256;

/// The classic BPF program that passes a datagram whose IPv4 source is in
/// either list and drops every other one, before it takes a place in the
/// socket's receive queue.
/// REQUIRES: at most kMostSources entries.
std::vector<sock_filter> SourceFilterProgram(const SourceLists& lists);

/// Attaches that program to `sock`. 1 on success and when both lists are
/// empty (nothing to filter), else 0. Logs nothing.
int UdpFilterSources(int sock, const SourceLists& lists);
