/* Asks Wine's own wininet about the URL cache of the prefix it runs in.
 *   UrlCacheTool add URL SIZE   creates an entry whose local file holds SIZE bytes
 *   UrlCacheTool list           prints every entry: url TAB local file TAB size TAB type
 *   UrlCacheTool delete URL     DeleteUrlCacheEntry
 * Exit code 0 on success, the failing step's number otherwise. */
#include <windows.h>
#include <wininet.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

static int add(const char *url, DWORD size)
{
    char path[MAX_PATH];
    FILETIME none = {0, 0};
    HANDLE file;
    DWORD written;
    char block[512];

    if (!CreateUrlCacheEntryA(url, 0, "bin", path, 0)) return 2;
    file = CreateFileA(path, GENERIC_WRITE, 0, NULL, CREATE_ALWAYS, 0, NULL);
    if (file == INVALID_HANDLE_VALUE) return 3;
    memset(block, 'q', sizeof(block));
    while (size) {
        DWORD chunk = size < sizeof(block) ? size : sizeof(block);
        if (!WriteFile(file, block, chunk, &written, NULL) || written != chunk) return 4;
        size -= chunk;
    }
    CloseHandle(file);
    if (!CommitUrlCacheEntryA(url, path, none, none, NORMAL_CACHE_ENTRY, NULL, 0, NULL, NULL))
        return 5;
    printf("%s\n", path);
    return 0;
}

static int list(void)
{
    DWORD size = 0x10000;
    INTERNET_CACHE_ENTRY_INFOA *info = (INTERNET_CACHE_ENTRY_INFOA *)malloc(size);
    HANDLE find = FindFirstUrlCacheEntryA(NULL, info, &size);
    if (!find) return GetLastError() == ERROR_NO_MORE_ITEMS ? 0 : 6;
    for (;;) {
        printf("%s\t%s\t%lu\t%lx\n", info->lpszSourceUrlName,
               info->lpszLocalFileName ? info->lpszLocalFileName : "", info->dwSizeLow,
               info->CacheEntryType);
        size = 0x10000;
        if (!FindNextUrlCacheEntryA(find, info, &size)) break;
    }
    FindCloseUrlCache(find);
    return GetLastError() == ERROR_NO_MORE_ITEMS ? 0 : 7;
}

int main(int argc, char **argv)
{
    if (argc == 4 && !strcmp(argv[1], "add")) return add(argv[2], (DWORD)strtoul(argv[3], NULL, 10));
    if (argc == 2 && !strcmp(argv[1], "list")) return list();
    if (argc == 3 && !strcmp(argv[1], "delete")) return DeleteUrlCacheEntryA(argv[2]) ? 0 : 8;
    return 1;
}
