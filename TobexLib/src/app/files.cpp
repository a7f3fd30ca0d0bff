// Folders, paths and directory search on the host's file system.
//
// Folder paths are computed at first use and kept for the run; every path ends
// with "/". Directory search wraps opendir/readdir with fnmatch in ten slots.
#include "app/files.h"

#include <dirent.h>
#include <errno.h>
#include <fnmatch.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/stat.h>
#include <unistd.h>

#include "app/app.h"

namespace {

struct FolderCache {
    bool known[4];
    bool missing[4];
    char16_t path[4][TEXT_MAX_PATH];
} g_folders;

struct SearchSlot {
    DIR* dir;
    char pattern[TEXT_MAX_PATH * 3];  // the file-name part, UTF-8
    char folder[TEXT_MAX_PATH * 3];   // the folder part, UTF-8, ending '/' or empty
};

SearchSlot g_searches[FIND_MAX_SEARCHES];

bool makeDirs(const char* path)
{
    char tmp[TEXT_MAX_PATH * 3];
    size_t n = strlen(path);
    if (n >= sizeof tmp)
        return false;
    memcpy(tmp, path, n + 1);
    for (size_t i = 1; i < n; ++i) {
        if (tmp[i] != '/')
            continue;
        tmp[i] = 0;
        if (mkdir(tmp, 0755) != 0 && errno != EEXIST)
            return false;
        tmp[i] = '/';
    }
    return mkdir(tmp, 0755) == 0 || errno == EEXIST;
}

// Stores a UTF-8 folder path for a kind, with a trailing "/".
bool storeFolder(int kind, const char* utf8)
{
    char16_t* out = g_folders.path[kind];
    if (!textFromUtf8(out, TEXT_MAX_PATH - 1, utf8))
        return false;
    slashify(out);
    size_t n = textLen(out);
    if (n > 0 && out[n - 1] != u'/') {
        out[n] = u'/';
        out[n + 1] = 0;
    }
    g_folders.known[kind] = true;
    return true;
}

bool findProgramFolder()
{
    char exe[TEXT_MAX_PATH * 3];
    ssize_t n = readlink("/proc/self/exe", exe, sizeof exe - 1);
    if (n <= 0)
        return false;
    exe[n] = 0;
    char* slash = strrchr(exe, '/');
    if (!slash)
        return false;
    slash[1] = 0;
    return storeFolder(FOLDER_PROGRAM, exe);
}

// The per-user data folder named after the application title.
bool findDocumentsFolder()
{
    char title[64];
    textToUtf8(title, sizeof title, appTitle());
    for (char* c = title; *c; ++c)
        if (*c == '/' || *c == '\\')
            *c = '_';
    char path[TEXT_MAX_PATH * 3];
    const char* xdg = getenv("XDG_DATA_HOME");
    const char* home = getenv("HOME");
    int n;
    if (xdg && xdg[0] == '/')
        n = snprintf(path, sizeof path, "%s/%s/", xdg, title);
    else if (home && home[0])
        n = snprintf(path, sizeof path, "%s/.local/share/%s/", home, title);
    else
        return false;
    if (n <= 0 || size_t(n) >= sizeof path || !makeDirs(path))
        return false;
    return storeFolder(FOLDER_DOCUMENTS, path);
}

// The write probe: a folder is writable when "tobextst" can be created in it.
// NOTE: the probe uses a stream of its own rather than a slot of the VFS table,
// so a first use while all 20 slots are taken (the log reporting exactly that)
// cannot settle the data folder wrongly for the rest of the run.
bool probeWritable(int kind)
{
    char16_t probe[TEXT_MAX_PATH], path[TEXT_MAX_PATH];
    char host[TEXT_MAX_PATH * 3];
    if (!pathInFolder(u"tobextst", kind, probe, TEXT_MAX_PATH) || !pathResolve(probe, path) ||
        !fileHostPath(path, host, sizeof host))
        return false;
    FILE* fp = fopen(host, "wb");
    if (!fp)
        return false;
    fclose(fp);
    unlink(host);
    return true;
}

void findDataFolder()
{
    const int candidates[] = {FOLDER_PROGRAM, FOLDER_DOCUMENTS, FOLDER_NONE};
    g_folders.known[FOLDER_DATA] = true;
    g_folders.path[FOLDER_DATA][0] = 0;
    for (int kind : candidates) {
        if (kind == FOLDER_NONE || probeWritable(kind)) {
            textCopy(g_folders.path[FOLDER_DATA], TEXT_MAX_PATH, folderPath(kind));
            return;
        }
    }
}

void fillEntry(FindEntry* e, const SearchSlot& s, const char* name)
{
    textFromUtf8(e->name, TEXT_MAX_PATH, name);
    char full[TEXT_MAX_PATH * 3];
    snprintf(full, sizeof full, "%s%s", s.folder, name);
    textFromUtf8(e->fullPath, TEXT_MAX_PATH, full);
    struct stat st;
    bool ok = stat(full, &st) == 0;
    e->isDir = ok && S_ISDIR(st.st_mode);
    e->hidden = name[0] == '.' && strcmp(name, ".") != 0 && strcmp(name, "..") != 0;
    e->readOnly = ok && access(full, W_OK) != 0;
    uint64_t size = ok && !e->isDir ? uint64_t(st.st_size) : 0;
    e->sizeHigh = uint32_t(size >> 32);
    e->sizeLow = uint32_t(size);
}

// Advances the search of slot i to the next matching name; closes it at the end.
bool advance(FindEntry* e)
{
    SearchSlot& s = g_searches[e->slot];
    while (dirent* d = readdir(s.dir)) {
        if (fnmatch(s.pattern, d->d_name, FNM_CASEFOLD) == 0) {
            fillEntry(e, s, d->d_name);
            return true;
        }
    }
    closedir(s.dir);
    s.dir = nullptr;
    e->slot = -1;
    return false;
}

bool statPath(const char16_t* name, struct stat* st)
{
    char16_t path[TEXT_MAX_PATH];
    char host[TEXT_MAX_PATH * 3];
    return pathResolve(name, path) && fileHostPath(path, host, sizeof host) && stat(host, st) == 0;
}

}

const char16_t* folderPath(int kind)
{
    if (kind < FOLDER_NONE || kind > FOLDER_DATA)
        return nullptr;
    if (kind == FOLDER_NONE)
        return u"";
    if (g_folders.known[kind])
        return g_folders.path[kind];
    if (g_folders.missing[kind])
        return nullptr;
    bool found = kind == FOLDER_PROGRAM     ? findProgramFolder()
                 : kind == FOLDER_DOCUMENTS ? findDocumentsFolder()
                                            : (findDataFolder(), true);
    if (!found) {
        g_folders.missing[kind] = true;
        return nullptr;
    }
    return g_folders.path[kind];
}

bool pathInFolder(const char16_t* name, int kind, char16_t* out, int size)
{
    const char16_t* folder = folderPath(kind);
    if (!folder || !name || !out || size <= 0)
        return false;
    size_t fl = textLen(folder), nl = textLen(name);
    if (fl + nl >= size_t(size))
        return false;
    textCopy(out, size_t(size), folder);
    textAppend(out, size_t(size), name);
    return true;
}

void slashify(char16_t* path)
{
    for (; path && *path; ++path)
        if (*path == u'\\')
            *path = u'/';
}

void folderSetPath(int kind, const char16_t* path)
{
    if (kind <= FOLDER_NONE || kind > FOLDER_DATA)
        return;
    g_folders.known[kind] = false;
    g_folders.missing[kind] = false;
    if (path) {
        char utf8[TEXT_MAX_PATH * 3];
        if (textToUtf8(utf8, sizeof utf8, path))
            storeFolder(kind, utf8);
    }
    if (kind != FOLDER_DATA) {
        g_folders.known[FOLDER_DATA] = false;
        g_folders.missing[FOLDER_DATA] = false;
    }
}

bool findFirst(const char16_t* pattern, FindEntry* entry)
{
    if (!pattern || !entry)
        return false;
    entry->slot = -1;
    int slot = -1;
    for (int i = 0; i < FIND_MAX_SEARCHES && slot < 0; ++i)
        if (!g_searches[i].dir)
            slot = i;
    if (slot < 0)
        return false;
    char16_t resolved[TEXT_MAX_PATH];
    if (!pathResolve(pattern, resolved))
        return false;
    slashify(resolved);
    SearchSlot& s = g_searches[slot];
    char host[TEXT_MAX_PATH * 3];
    if (!fileHostPath(resolved, host, sizeof host))
        return false;
    char* slash = strrchr(host, '/');
    size_t folderLen = slash ? size_t(slash - host + 1) : 0;
    memcpy(s.folder, host, folderLen);
    s.folder[folderLen] = 0;
    snprintf(s.pattern, sizeof s.pattern, "%s", host + folderLen);
    DIR* dir = opendir(folderLen ? s.folder : ".");
    if (!dir)
        return false;
    s.dir = dir;
    textCopy(entry->pattern, TEXT_MAX_PATH, resolved);
    entry->slot = slot;
    return advance(entry);
}

bool findNext(FindEntry* entry)
{
    if (!entry || entry->slot < 0 || entry->slot >= FIND_MAX_SEARCHES || !g_searches[entry->slot].dir)
        return false;
    return advance(entry);
}

bool findClose(FindEntry* entry)
{
    if (!entry || entry->slot < 0 || entry->slot >= FIND_MAX_SEARCHES || !g_searches[entry->slot].dir)
        return false;
    closedir(g_searches[entry->slot].dir);
    g_searches[entry->slot].dir = nullptr;
    entry->slot = -1;
    return true;
}

bool isFile(const char16_t* name)
{
    struct stat st;
    return statPath(name, &st) && !S_ISDIR(st.st_mode);
}

bool isDir(const char16_t* name)
{
    struct stat st;
    return statPath(name, &st) && S_ISDIR(st.st_mode);
}

bool pathResolve(const char16_t* name, char16_t* out)
{
    if (!name || !out)
        return false;
    if (name[0] == u'/' || name[0] == u'\\')
        return textCopy(out, TEXT_MAX_PATH, name);
    return pathInFolder(name, FOLDER_PROGRAM, out, TEXT_MAX_PATH);
}

bool fileDelete(const char16_t* name)
{
    char host[TEXT_MAX_PATH * 3];
    return name && fileHostPath(name, host, sizeof host) && unlink(host) == 0;
}

bool fileHostPath(const char16_t* path, char* out, int size)
{
    return path && out && size > 0 && textToUtf8(out, size_t(size), path);
}
