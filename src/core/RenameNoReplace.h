#pragma once

// Renames `from` to `to` (each relative to its directory descriptor, or
// AT_FDCWD) only when nothing exists at `to`: renameat2(RENAME_NOREPLACE),
// or, on a file system without it, link() and unlink(). Returns 0, or the
// errno of the failure: EEXIST when the name is taken.
int renameNoReplace(int fromDir, const char* from, int toDir, const char* to);
