#include "ProcessCounts.h"

#include <tlhelp32.h>
#include <winternl.h>

#include <cstdint>

namespace zvtest {

namespace {

BOOL CALLBACK CountChild(HWND, LPARAM p) {
    ++*reinterpret_cast<int*>(p);
    return TRUE;
}

BOOL CALLBACK CountTopLevel(HWND w, LPARAM p) {
    ++*reinterpret_cast<int*>(p);
    EnumChildWindows(w, &CountChild, p);
    return TRUE;
}

}  // namespace

int ThreadWindowCount() {
    int n = 0;
    EnumThreadWindows(GetCurrentThreadId(), &CountTopLevel, reinterpret_cast<LPARAM>(&n));
    return n;
}

long GdiObjectCount() {
    // Wine's per-process handle table (PEB->GdiSharedHandleTable, at 0x94 in
    // the 32-bit PEB and 0xF8 in the 64-bit one): 24-byte entries in both, a
    // live one has a type.
    struct Entry {
        uint64_t object;
        uint32_t owner;
        uint16_t unique;
        uint8_t type;
        uint8_t flags;
        uint64_t user;
    };
    static_assert(sizeof(Entry) == 24, "Wine's handle entry");
    PROCESS_BASIC_INFORMATION info{};
    if (NtQueryInformationProcess(GetCurrentProcess(), ProcessBasicInformation, &info, sizeof info,
                                  nullptr) != 0)
        return -1;
    const auto* peb = reinterpret_cast<const BYTE*>(info.PebBaseAddress);
    const Entry* table = *reinterpret_cast<const Entry* const*>(peb + (sizeof(void*) == 8 ? 0xF8 : 0x94));
    if (!table) return -1;
    HBRUSH probe = CreateSolidBrush(RGB(1, 2, 3));
    const uintptr_t h = reinterpret_cast<uintptr_t>(probe);
    const bool bLaidOut = table[h & 0xFFFF].unique == ((h >> 16) & 0xFFFF) && table[h & 0xFFFF].type;
    DeleteObject(probe);
    if (!bLaidOut) return -1;
    long n = 0;
    for (int i = 0; i < 0x10000; ++i) n += table[i].type != 0;
    return n;
}

int ThreadCount() {
    HANDLE snap = CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0);
    if (snap == INVALID_HANDLE_VALUE) return -1;
    THREADENTRY32 te{};
    te.dwSize = sizeof te;
    int n = 0;
    for (BOOL ok = Thread32First(snap, &te); ok; ok = Thread32Next(snap, &te))
        n += te.th32OwnerProcessID == GetCurrentProcessId();
    CloseHandle(snap);
    return n;
}

size_t PrivateBytes() {
    // Wine leaves PROCESS_MEMORY_COUNTERS_EX::PrivateUsage at 0: add up the
    // committed private regions of the address space instead.
    size_t total = 0;
    MEMORY_BASIC_INFORMATION mbi{};
    for (const BYTE* p = nullptr; VirtualQuery(p, &mbi, sizeof mbi) == sizeof mbi;
         p = static_cast<const BYTE*>(mbi.BaseAddress) + mbi.RegionSize) {
        if (mbi.State == MEM_COMMIT && mbi.Type == MEM_PRIVATE) total += mbi.RegionSize;
        if (static_cast<const BYTE*>(mbi.BaseAddress) + mbi.RegionSize < p) break;  // wrapped
    }
    return total;
}

ProcessCounts CountNow() { return {PrivateBytes(), GdiObjectCount(), ThreadWindowCount(), ThreadCount()}; }

}  // namespace zvtest
