#pragma once
// What a bench that runs the program's windows headless needs first: the built-in
// language packs and the engine, once per process whatever the number of benchmarks.

#include "app/engine.h"
#include "base/lang/builtin_packs.h"

inline void InitialiseProgramOnce() {
    static const bool initialised = [] {
        lang::RegisterBuiltinPacks();
        InitialiseEngine();
        return true;
    }();
    (void)initialised;
}
