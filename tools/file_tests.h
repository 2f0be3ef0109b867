#pragma once
// Whether a file or folder is there, as a directory listing of the path finds it: the
// last piece may hold wildcards and matches without regard to case.
#include <string>

// True for an absolute path whose listing finds an entry; a folder counts as a file.
bool FileExistsByDir(const std::string& path);
// The same test for folders (a file found by the listing counts too).
bool DirExists(const std::string& path);
