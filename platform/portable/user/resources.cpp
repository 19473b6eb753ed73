// Resource functions over the tables embedded at build time (resource_table.h): the program's
// own from resources/korvan.rc, plus any a test registers. Lookup follows Windows: ids are
// numbers (MAKEINTRESOURCE) or names, types predefined numbers or names, names without case.
#include "resource_table.h"


#include <cctype>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace portable {
namespace {

std::vector<ResourceTable>& ExtraTables()
{
    static std::vector<ResourceTable> s_Tables;  // filled during static initialisation
    return s_Tables;
}

bool NameMatches(unsigned nNumber, const char* pszName, LPCSTR lpWanted)
{
    if (IS_INTRESOURCE(lpWanted))
        return !pszName && nNumber == static_cast<unsigned>(reinterpret_cast<ULONG_PTR>(lpWanted));
    // "#117" names the number 117, as Windows accepts.
    if (lpWanted[0] == '#')
        return !pszName && std::strtoul(lpWanted + 1, nullptr, 10) == nNumber;
    if (!pszName)
        return false;
    for (; *pszName && *lpWanted; ++pszName, ++lpWanted)
        if (std::toupper(static_cast<unsigned char>(*lpWanted)) != *pszName)
            return false;
    return *pszName == *lpWanted;
}

const ResourceEntry* Find(const ResourceTable& table, LPCSTR lpName, LPCSTR lpType)
{
    for (std::size_t i = 0; i < table.count; ++i) {
        const ResourceEntry& entry = table.entries[i];
        if (NameMatches(entry.type, entry.typeName, lpType) &&
            NameMatches(entry.id, entry.name, lpName))
            return &entry;
    }
    return nullptr;
}

bool IsOwnModule(HMODULE hModule)
{
    return !hModule || hModule == GetModuleHandleA(nullptr);
}

}  // namespace

void RegisterResources(const ResourceTable& table)
{
    ExtraTables().push_back(table);
}

const ResourceEntry* ResourceEntryOf(HRSRC hResInfo)
{
    auto owns = [hResInfo](const ResourceTable& table) {
        for (std::size_t i = 0; i < table.count; ++i)
            if (reinterpret_cast<HRSRC>(const_cast<ResourceEntry*>(&table.entries[i])) == hResInfo)
                return true;
        return false;
    };
    if (!hResInfo)
        return nullptr;
    bool bOwned = owns(g_programResources);
    for (const ResourceTable& table : ExtraTables())
        bOwned = bOwned || owns(table);
    return bOwned ? reinterpret_cast<const ResourceEntry*>(hResInfo) : nullptr;
}

}  // namespace portable

using namespace portable;

HRSRC WINAPI FindResourceA(HMODULE hModule, LPCSTR lpName, LPCSTR lpType)
{
    if (!IsOwnModule(hModule) || !lpName || !lpType)
        return nullptr;
    const ResourceEntry* pEntry = Find(g_programResources, lpName, lpType);
    for (const ResourceTable& table : ExtraTables()) {
        if (pEntry)
            break;
        pEntry = Find(table, lpName, lpType);
    }
    return reinterpret_cast<HRSRC>(const_cast<ResourceEntry*>(pEntry));
}

HGLOBAL WINAPI LoadResource(HMODULE hModule, HRSRC hResInfo)
{
    if (!IsOwnModule(hModule) || !hResInfo)
        return nullptr;
    const auto* pEntry = reinterpret_cast<const ResourceEntry*>(hResInfo);
    return const_cast<unsigned char*>(pEntry->data);
}

LPVOID WINAPI LockResource(HGLOBAL hResData)
{
    return hResData;
}

DWORD WINAPI SizeofResource(HMODULE hModule, HRSRC hResInfo)
{
    if (!IsOwnModule(hModule) || !hResInfo)
        return 0;
    return static_cast<DWORD>(reinterpret_cast<const ResourceEntry*>(hResInfo)->size);
}
