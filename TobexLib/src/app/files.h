#pragma once
// Files, paths and special folders: where the program's, the documents and the
// writable data folders are, how a name is placed in a folder, and directory
// search. The plain-file operations of a VFile are in vfs/loose.h.

#include <stdint.h>

#include "base/text.h"

enum FolderKind {
    FOLDER_NONE = 0,       // the empty prefix: names stay relative
    FOLDER_PROGRAM = 1,    // the executable's folder
    FOLDER_DOCUMENTS = 2,  // the per-user data folder ($XDG_DATA_HOME/<title>/), created on first use
    FOLDER_DATA = 3,       // the first of 1, 2, 0 where a file can be created
};

// ---- Folders and paths ---------------------------------------------------------------
const char16_t* folderPath(int kind);  // ends with "/"; null when the folder cannot be found
// out = folder of kind + name; false when the folder is unknown or the result
// would not fit (folder length + name length >= size).
bool pathInFolder(const char16_t* name, int kind, char16_t* out, int size);
void slashify(char16_t* path);  // every '\' becomes '/', in place
// Sets the path of a folder kind (ending "/" is added), or with null forgets it so
// it is computed again; the data folder is re-probed after any change. For tools
// and tests: the tools take the current directory as the program's folder.
void folderSetPath(int kind, const char16_t* path);

// ---- Directory search (10 searches at once) ---------------------------------------------
struct FindEntry {
    char16_t name[TEXT_MAX_PATH];      // the found file's name
    char16_t fullPath[TEXT_MAX_PATH];  // folder part of the pattern followed by name
    char16_t pattern[TEXT_MAX_PATH];   // the pattern as resolved, '/' separators
    uint8_t isDir;
    uint8_t hidden;    // names starting with '.'
    uint8_t readOnly;  // not writable by this user
    uint32_t sizeHigh, sizeLow;
    int32_t slot;  // the search slot in use, -1 when none
};

constexpr int FIND_MAX_SEARCHES = 10;

bool findFirst(const char16_t* pattern, FindEntry* entry);  // wildcards * and ?, letters match either case
bool findNext(FindEntry* entry);                            // false at the end (the slot is released)
bool findClose(FindEntry* entry);                           // false when the entry holds no slot
bool isFile(const char16_t* name);
bool isDir(const char16_t* name);

// ---- Plain files ---------------------------------------------------------------------------
// The host path of a plain-file name: a name starting with '/' or '\' as it is,
// others in the program's folder; false when the result would not fit TEXT_MAX_PATH.
bool pathResolve(const char16_t* name, char16_t* out);
bool fileDelete(const char16_t* name);  // the path is used exactly as given
// The UTF-8 form of a 16-bit path for the C library; false when it does not fit.
bool fileHostPath(const char16_t* path, char* out, int size);
