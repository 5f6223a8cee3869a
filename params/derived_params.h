#pragma once

/// Derives both LogConfig texts from the current addresses and the net
/// logger address. Runs at start-up and after every applied document.
void UpdateKipDerivedParams();
