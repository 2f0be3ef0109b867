#pragma once
// Access lists of the program folder and of the files the filter module uses.
//
// An ACL text is items "trustee:rights:inherit" separated by ";". Rights are the
// letters w, r, e and their pairs, "all" or any other three characters (full control);
// inherit 1 passes the entry on to files and sub-folders, any other number keeps it on
// the object. Each entry replaces the trustee's rights.
#include <cstdint>
#include <string>

// The access mask of a rights text (lower-cased by the caller); 0 when the text is not
// in the table, so the item is skipped.
uint32_t RightsMask(const std::string& rights);

// 1 when applied; the platform's error code when building or applying the list failed
// (87 for a malformed item); -1 for an empty or relative path, an ACL text without
// ":", or one whose every item was skipped (then nothing is applied). keepInherited 0
// drops what the parent folders pass on.
int SetPathAcl(const std::string& path, const std::string& aclText, int keepInherited);

// The fixed permission set of the program folder; every step runs whatever the one before
// returned. Always true.
bool SetSystemPathSecurity(const std::string& administratorsName);
