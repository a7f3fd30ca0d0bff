#pragma once
// World files (".w"): one object, and for a World its members after it, in a text
// ("TOBT"), binary ("TOBB") or header-less text ("TOBS") form.
//
// A WorldFile buffers its VFile: reads come from a block read ahead and writes
// collect in a block. Load and Save methods read and write through the wf*
// functions below; a method that uses the VFile directly must first call
// wfDetach, which hands the file position back to the VFile.

#include <stdint.h>

struct VFile;

enum WorldForm {
    WF_TEXT = 0,
    WF_BINARY = 1,
    WF_STEXT = 2,  // the "S" variant, read as text
};

constexpr int WORLD_LINE_MAX = 2048;   // a text line holds at most 2047 characters
constexpr int WORLD_MAX_NESTING = 64;  // objects read or written inside one another

struct WorldFile {
    VFile* file;     // the open file
    int32_t form;    // WorldForm
    uint8_t* buf;    // block buffer (null: every call goes straight to the VFile)
    int32_t bufCap;  // bytes the buffer holds
    int32_t bufPos;  // reading: next byte; writing: unused
    int32_t bufLen;  // reading: bytes read ahead; writing: bytes waiting
    bool writing;    // the buffer collects writes
    bool failed;     // a write failed; later writes are refused
};

// ---- Whole files --------------------------------------------------------------------------
void* objLoadFile(const char16_t* name);  // reads, then Syncs a Base; null when not a World file
bool objSaveFile(const char16_t* name, void* obj, bool binary);  // false for null or a failed write

// ---- Objects ---------------------------------------------------------------------------------
void* objRead(WorldFile* wf);             // one object and what its Load reads; null on failure
bool objWrite(WorldFile* wf, void* obj);  // one object and what its Save writes

// ---- The World's members ------------------------------------------------------------------
int World_Load(void* world, void* wf);  // reads the members and resolves their references
int World_Save(void* world, void* wf);  // writes the members in list order

// ---- Buffered access for Load and Save methods -----------------------------------------------
bool wfOpen(WorldFile* wf, VFile* file, int32_t form, bool writing);  // false when no buffer can be had
bool wfClose(WorldFile* wf);   // flushes writes, frees the buffer; the VFile stays open
bool wfDetach(WorldFile* wf);  // empties the buffer so the VFile is at the logical position
int32_t wfRead(WorldFile* wf, void* out, int32_t n);  // bytes read
bool wfWrite(WorldFile* wf, const void* p, int32_t n);
bool wfWriteString(WorldFile* wf, const char* s);
// A token (ends at space, tab, NUL, LF or CR, the separator consumed) or the rest
// of a line (ends at LF, CR LF or NUL). False on an I/O error, when cap bytes are
// not enough, or for a CR not followed by LF; at the end of the file an empty text.
bool wfReadWord(WorldFile* wf, char* out, int cap);
bool wfReadLine(WorldFile* wf, char* out, int cap);
uint32_t wfRemaining(WorldFile* wf);  // bytes left to read (0xFFFFFFFF when unknown)
