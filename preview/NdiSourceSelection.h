// Which discovered source the receiver connects to for a request.
#pragma once

#include <cstdint>
#include <string>

#include "preview/NdiRecords.h"

// Picks the record to connect to among the runtime's `count` `records`:
// - an empty `request` takes a source whose name contains
//   "KESTRIN - Viewport";
// - "@projector:" + id takes one whose name contains "KESTRIN - " + id + " - ";
// - any other request is an exact name, KESTRIN or not (the last such record
//   in array order wins).
// Among several matching KESTRIN sources the one named `connectedName` stays
// while it still matches; otherwise the first in byte order of the names.
// Records without a name are ignored. Null when nothing matches.
const NdiSourceRecord* SelectNdiSource(const NdiSourceRecord* records, std::uint32_t count,
                                       const std::string& request,
                                       const std::string& connectedName);
