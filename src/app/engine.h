#pragma once
// Wires the engine's layers together at start-up. Lower layers publish hooks (the storage
// list asks for a partition-tree builder, the partition tree for a file-system detector)
// so that dependencies keep pointing one way; this is where the upper layers fill them.
// Both front ends call it once before touching a storage.

void InitialiseEngine();
