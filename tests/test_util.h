#pragma once
// Helpers shared by the test programs: temporary folders, whole-file reads, and
// pointing the engine's folders (and so its log) at a temporary folder.

#include <stdlib.h>
#include <string.h>
#include <unistd.h>

#include <fstream>
#include <sstream>
#include <string>

#include "app/files.h"
#include "app/log.h"
#include "app/text.h"

namespace testutil {

// A fresh folder under the system's temporary folder, ending in "/".
inline std::string makeTempDir()
{
    char tmpl[] = "/tmp/tobextest.XXXXXX";
    const char* dir = mkdtemp(tmpl);
    return std::string(dir ? dir : "/tmp") + "/";
}

inline std::string readFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

inline void writeFile(const std::string& path, const std::string& bytes)
{
    std::ofstream out(path, std::ios::binary);
    out << bytes;
}

inline std::u16string wide(const std::string& utf8)
{
    char16_t buf[TEXT_MAX_PATH * 4];
    textFromUtf8(buf, sizeof buf / sizeof buf[0], utf8.c_str());
    return std::u16string(buf);
}

// Makes dir the program's folder (and so the writable data folder) and starts a
// new log run there; returns the log's path.
inline std::string useFolder(const std::string& dir)
{
    folderSetPath(FOLDER_PROGRAM, wide(dir).c_str());
    logRestart();
    return dir + "Tobex.log";
}

}
