#pragma once
// The log's file: "Tobex.log" in the writable data folder, recreated at the
// first line of a run, opened and closed for every line so that it survives a
// crash.

// Makes the log write its lines into Tobex.log (vfsInit does this too).
void vfsLogToFile();
