#pragma once

// Whether two names lead to the same file or folder, for the planning of a
// run: which jobs touch the same files, which outputs clash.

#include <string>

// A key under which two spellings of the same file meet: the absolute path
// with links followed as far as the path exists, or the name made plain
// when it cannot be looked up.
std::string FileKey(const std::string& path);

// True when `a` and `b` name the same folder (after following links), or
// the same text where either cannot be looked up.
bool SameFolder(const std::string& a, const std::string& b);
