// The embedded resources of the portable build: tables generated at build time from resource
// scripts (see embed_resources.cmake) and searched by FindResourceA (resources.cpp).
#pragma once

#include "../../winapi.h"

#include <cstddef>

namespace portable {

struct ResourceEntry {
    unsigned id;          // numeric id, or 0 when the resource is named
    const char* name;     // upper-case name, or nullptr
    unsigned type;        // numeric type (RT_ICON = 3, RT_GROUP_ICON = 14, ...), or 0 when named
    const char* typeName; // upper-case type name ("GRAPHICS"), or nullptr
    const unsigned char* data;
    std::size_t size;
};

struct ResourceTable {
    const ResourceEntry* entries;
    std::size_t count;
};

// The program's own resources (from resources/korvan.rc).
extern const ResourceTable g_programResources;

// Adds a further table, searched after the program's; used by tests with scripts of their own.
void RegisterResources(const ResourceTable& table);

// The entry an HRSRC (or an icon handle, which is its group's HRSRC) stands for; nullptr for a
// handle that is none of the tables' entries.
const ResourceEntry* ResourceEntryOf(HRSRC hResInfo);

struct ResourceRegistrar {
    explicit ResourceRegistrar(const ResourceTable& table) { RegisterResources(table); }
};

}  // namespace portable
