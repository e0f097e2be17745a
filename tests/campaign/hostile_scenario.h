#pragma once
// Random scenarios for the simulated telephony and remote-access services,
// drawn around the boundaries Dialkit's list functions must survive: counts,
// record sizes, name offsets and sizes, lying block headers, error codes and
// texts of any length. One seed gives one scenario, on every machine.

#include <windows.h>

#include <string>
#include <vector>

#include "picker_driver.h"

struct RasFacts {
    std::string variant;            // folder under sim\ ("full", "none", ...)
    bool hostBinds = false;         // the host calls LoadRASLib first
    std::vector<LONG> codes;        // error results the service can produce
    DWORD layout = 0;               // record size the service accepts first (0: none)
    DWORD stride = 0;               // record size Dialkit then reads (first dwSize)
    bool resized = false;           // the service rewrote the first dwSize to `stride`
    LONG reported = 0;              // entry count the service reports
    DWORD records = 50;             // records of `layout` the last call had room for
};

struct TapiFacts {
    std::string variant;
    bool hostBinds = false;
    std::vector<LONG> codes;
    // Devices that can give an entry before the walk ends: data modems whose
    // name starts inside the capability block.
    DWORD possibleEntries = 0;
    bool plainNames = true;         // no name can start in the block's header
    PickerAction action = PickerAction::Ok;
    int item = 0;
};

struct HostileScenario {
    unsigned seed = 0;
    std::string text;               // the scenario file, [sim], [ras], [tapi], [device<i>]
    RasFacts ras;
    TapiFacts tapi;
};

HostileScenario MakeHostileScenario(unsigned seed);

// Characters of every generated name: none that the profile service trims or
// unquotes, and no byte the heap or the tests use as filler.
bool IsNameCharacter(char c);
